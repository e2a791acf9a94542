// The confirmation's answer written as text is what the JSON document writes for it, byte for
// byte, for the usual answer and for the ones it leaves to the document.
#include <server/ConfirmationAnswer.h>

#include <QJsonArray>
#include <QJsonDocument>

#include <gtest/gtest.h>

namespace {

QByteArray viaDocument(const QList<server::ErrorRow>& errors, const QString& number) {
    return QJsonDocument(server::confirmationAnswer(errors, number).toArray())
        .toJson(QJsonDocument::Compact);
}

} // namespace

TEST(ConfirmationAnswer, TextIsWhatTheDocumentWrites) {
    const QList<server::ErrorRow> errors{
        {"0000012345", "EST25000_1",
         QString::fromUtf8("O produto encontra-se inativo para a filial.")},
        {"0000012346", "EST25000_3", QString::fromUtf8("Produto já cadastrado.")}};
    for (const QString& number :
         {QStringLiteral("0000000042"), QString(), QStringLiteral("A-1 /x~"),
          QStringLiteral("aspas\"e\\barra"), QString::fromUtf8("ção"), QStringLiteral("\t\x7f")}) {
        EXPECT_EQ(server::confirmationAnswerText({}, number), viaDocument({}, number))
            << number.toStdString();
        EXPECT_EQ(server::confirmationAnswerText(errors, number), viaDocument(errors, number))
            << number.toStdString();
    }
    // The usual answer: an empty packet of the three error columns, then the number.
    const QJsonArray answer =
        QJsonDocument::fromJson(server::confirmationAnswerText({}, "0000000042")).array();
    EXPECT_EQ(answer.at(0).toObject().value("fields").toArray().size(), 3);
    EXPECT_TRUE(answer.at(0).toObject().value("rows").toArray().isEmpty());
    EXPECT_EQ(answer.at(1).toString(), "0000000042");
}
