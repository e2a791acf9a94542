#include <host/database/Qrddlgs.h>

bool ExistParam(const TParams& params, const QString& name) {
    return params.FindParam(name) != nullptr;
}
