#include <server/FailureAnswers.h>

namespace server {

HttpAnswer errorAnswer(int status, const QString& code, const QString& message) {
    return {status, errorBody(code.toStdString(), message.toStdString())};
}

HttpAnswer dbFailureAnswer(DbFailure failure, bool keyed) {
    const auto unavailable = [](const char* code, const QString& message) {
        return errorAnswer(503, QString::fromLatin1(code), message);
    };
    switch (failure) {
    case DbFailure::Busy:
        return unavailable("busy", QStringLiteral("O banco de dados está ocupado com outra "
                                                  "gravação. Nada foi gravado; tente novamente "
                                                  "em instantes."));
    case DbFailure::DiskFull:
        return unavailable("disco_cheio",
                           QStringLiteral("Disco cheio no servidor do banco de dados. Nada foi "
                                          "gravado; avise o administrador do sistema e repita "
                                          "a operação quando houver espaço."));
    case DbFailure::ReadOnly:
        return unavailable("banco_somente_leitura",
                           QStringLiteral("O banco de dados está somente para leitura. Nada foi "
                                          "gravado; avise o administrador do sistema e repita a "
                                          "operação depois."));
    case DbFailure::OutcomeUnknown:
        return unavailable(
            "resultado_indeterminado",
            QStringLiteral("A ligação com o banco de dados caiu durante a gravação: a "
                           "confirmação pode ter sido gravada. ") +
                (keyed ? QStringLiteral("Repita a operação sem alterar nada: ela não será "
                                        "gravada duas vezes.")
                       : QStringLiteral("Consulte os dados antes de repetir a operação.")));
    case DbFailure::Unavailable:
    case DbFailure::Other:
        break;
    }
    return unavailable("banco_indisponivel",
                       QStringLiteral("Banco de dados indisponível. Nada foi gravado; tente "
                                      "novamente em instantes e, se persistir, avise o "
                                      "administrador do sistema."));
}

} // namespace server
