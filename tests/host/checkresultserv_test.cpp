// The check of a server answer over its JSON text: the packet's text as it stands, the
// messages raised as the JSON check raises them, and answers of any other shape refused.
#include <host/core/Exceptions.h>
#include <host/remote/CheckResultServ.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

namespace {

const QString kWithoutData =
    QStringLiteral("Resposta do servidor de aplicação sem os dados esperados.");

QString refusal(const QByteArray& answer, bool raiseMessages = true, int index = 0) {
    try {
        Consiste::CheckResultServText(answer, raiseMessages, index);
    } catch (const host::EHostError& e) {
        return e.message();
    }
    return QStringLiteral("(accepted)");
}

const QByteArray kAnswer = R"( { "other" : {"x":[1,"]}\"",{}]}, "messages":[],
  "data" : [ {"fields":[{"name":"A","type":"string","size":9}],"rows":[["[{\"}"]]} ,
             [1, 2] , "t\"x]" , 7 , null ] } )";

TEST(CheckResultServText, GivesTheTextOfTheChosenPacket) {
    EXPECT_EQ(Consiste::CheckResultServText(kAnswer),
              R"({"fields":[{"name":"A","type":"string","size":9}],"rows":[["[{\"}"]]})");
    EXPECT_EQ(Consiste::CheckResultServText(kAnswer, true, 1), "[1, 2]");
    EXPECT_EQ(Consiste::CheckResultServText(kAnswer, true, 2), R"("t\"x]")");
    EXPECT_EQ(Consiste::CheckResultServText(kAnswer, true, 3), "7");
    EXPECT_EQ(Consiste::CheckResultServText(kAnswer, true, 4), "null");
    EXPECT_EQ(refusal(kAnswer, true, 5), kWithoutData);
    EXPECT_EQ(refusal(kAnswer, true, -1), kWithoutData);
    // Each element is what the JSON check gives for the same index.
    const QJsonValue parsed = QJsonDocument::fromJson(kAnswer).object();
    for (int i = 0; i < 5; ++i) {
        const QByteArray text = Consiste::CheckResultServText(kAnswer, true, i);
        const QJsonValue element = QJsonDocument::fromJson("[" + text + "]").array().at(0);
        EXPECT_EQ(element, Consiste::CheckResultServ(parsed, true, i)) << i;
    }
}

TEST(CheckResultServText, RaisesTheMessagesAsTheJsonCheckDoes) {
    const QByteArray refused =
        R"({"data":[{}],"messages":["Filial bloqueada.",{"message":"Tente amanhã."}]})";
    EXPECT_EQ(refusal(refused), QStringLiteral("Filial bloqueada.\nTente amanhã."));
    EXPECT_EQ(Consiste::CheckResultServText(refused, false, 0), "{}");
    EXPECT_EQ(refusal(R"({"messages":["x"]})", false), kWithoutData);
    EXPECT_EQ(refusal(R"({"messages":"x","data":[{}]})"), QStringLiteral("(accepted)"));
}

TEST(CheckResultServText, AnswersOfAnotherShapeAreRefused) {
    for (const char* answer :
         {"", "[]", "\"texto\"", "{}", R"({"data":{}})", R"({"data":[]})", R"({"data":"[{}]"})",
          R"({"data":[{}]} x)", R"({"data":[{}])", R"({"data":[{"a":"}]})", R"({"data" [{}]})",
          R"({"data":[{}],})", R"({"data":[{]})"})
        EXPECT_EQ(refusal(answer), kWithoutData) << answer;
    // Every cut of a good answer is refused or gives a piece of it; none reads past its end.
    for (qsizetype n = 0; n < kAnswer.size(); ++n) {
        const QByteArray cut = kAnswer.left(n);
        try {
            const QByteArray packet = Consiste::CheckResultServText(cut);
            EXPECT_TRUE(cut.contains(packet)) << cut.constData();
        } catch (const host::EHostError& e) {
            EXPECT_EQ(e.message(), kWithoutData) << cut.constData();
        }
    }
}

} // namespace
