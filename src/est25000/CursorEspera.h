#pragma once
// The hourglass over the application while a form is created and shown; the default cursor
// comes back on every way out, an error included.

#include <host/forms/Screen.h>

namespace est25000 {

class CursorEspera {
public:
    CursorEspera() { host::Screen->SetCursor(host::crHourGlass); }
    ~CursorEspera() { restaura(); }
    CursorEspera(const CursorEspera&) = delete;
    CursorEspera& operator=(const CursorEspera&) = delete;

    void restaura() {
        if (ativo_)
            host::Screen->SetCursor(host::crDefault);
        ativo_ = false;
    }

private:
    bool ativo_ = true;
};

} // namespace est25000
