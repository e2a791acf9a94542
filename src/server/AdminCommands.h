#pragma once
// The administrator's commands of est-server, run on the database and ended:
// "users add|disable|enable|list|role|password" and "history --sample N".

namespace server {

// True when the arguments name one of those commands (the first argument after the program).
bool isAdminCommand(int argc, char** argv);
// Runs it; answers the process's exit code (0 done, 1 refused or failed, 2 misused).
int runAdminCommand(int argc, char** argv);

} // namespace server
