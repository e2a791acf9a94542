// The packet codec: every type both ways, and malformed packets refused with a message
// that names what is wrong.

#include "DataPacket.h"

#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>

using namespace dataset;

namespace {

QJsonValue json(const char* text) {
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(QByteArray("[") + text + "]", &error);
    EXPECT_EQ(error.error, QJsonParseError::NoError) << text;
    return doc.array().at(0);
}

// Expects a PacketError whose message contains `needle`.
void refused(const char* text, const char* needle, bool change = false) {
    try {
        change ? (void)changePacketFromJson(json(text)) : (void)dataPacketFromJson(json(text));
        ADD_FAILURE() << "accepted: " << text;
    } catch (const PacketError& e) {
        EXPECT_TRUE(QString::fromUtf8(e.what()).contains(QString::fromUtf8(needle)))
            << e.what() << " should mention " << needle;
    }
}

} // namespace

TEST(DataPacket, EveryTypeAndNullRoundTrips) {
    DataPacket p;
    p.fields = {{"S", FieldType::String, 10},
                {"F", FieldType::Float, 0},
                {"I", FieldType::Integer, 0},
                {"D", FieldType::Date, 0},
                {"B", FieldType::Boolean, 0}};
    p.rows = {{QString("Ação"), 1.25, QVariant::fromValue<qlonglong>(-7), QDate(2026, 7, 1), true},
              {QVariant(), QVariant(), QVariant(), QVariant(), QVariant()}};
    const QJsonObject obj = dataPacketToJson(p);
    const DataPacket back = dataPacketFromJson(
        QJsonDocument::fromJson(QJsonDocument(obj).toJson(QJsonDocument::Compact)).object());
    EXPECT_EQ(back.fields, p.fields);
    EXPECT_EQ(back.rows, p.rows);
    EXPECT_EQ(obj.value("rows").toArray().at(0).toArray().at(3).toString(), "2026-07-01");
    EXPECT_EQ(back.indexOf("d"), 3);
    EXPECT_EQ(back.indexOf("X"), -1);
}

TEST(DataPacket, MalformedDataPacketsNameTheirFault) {
    refused(R"([1,2])", "não é um objeto");
    refused(R"({"rows":[]})", "fields");
    refused(R"({"fields":[{"name":"A","type":"string"}]})", "rows");
    refused(R"({"fields":[{"type":"string"}],"rows":[]})", "sem nome");
    refused(R"({"fields":[{"name":"A","type":"text"}],"rows":[]})", "text");
    refused(R"({"fields":[{"name":"A","type":"string"},{"name":"a","type":"float"}],"rows":[]})",
            "repetido");
    refused(R"({"fields":[{"name":"A","type":"string","size":-1}],"rows":[]})", "tamanho");
    refused(R"({"fields":[{"name":"A","type":"string","size":"10"}],"rows":[]})", "tamanho");
    refused(R"({"fields":[{"name":"A","type":"float"}],"rows":[[1],[2,3]]})", "linha 2");
    refused(R"({"fields":[{"name":"A","type":"float"}],"rows":[["1,5"]]})", "A");
    refused(R"({"fields":[{"name":"N","type":"integer"}],"rows":[[2.5]]})", "N");
    refused(R"({"fields":[{"name":"D","type":"date"}],"rows":[["2026-02-30"]]})", "D");
    refused(R"({"fields":[{"name":"D","type":"date"}],"rows":[["01/02/2026"]]})", "D");
    refused(R"({"fields":[{"name":"B","type":"boolean"}],"rows":[["S"]]})", "B");
    refused(R"({"fields":[{"name":"A","type":"string"}],"rows":[{"A":"x"}]})", "linha 1");
    refused(R"({"fields":[{"name":"A","type":"string"}],"rows":[[1]]})", "A");
}

TEST(ChangePacket, NullMeansNoChangeBothWays) {
    EXPECT_TRUE(changePacketFromJson(QJsonValue::Null).changes.isEmpty());
    EXPECT_TRUE(changePacketToJson(ChangePacket{}).isNull());
}

TEST(ChangePacket, MalformedChangePacketsNameTheirFault) {
    refused(R"("x")", "não é um objeto", true);
    refused(R"({"fields":[{"name":"A","type":"string"}]})", "changes", true);
    refused(
        R"({"fields":[{"name":"A","type":"string"}],"changes":[{"type":"upsert","new":["a"]}]})",
        "upsert", true);
    refused(
        R"({"fields":[{"name":"A","type":"string"}],"changes":[{"type":"modify","new":["a"]}]})",
        "alteração 1 (old)", true);
    refused(R"({"fields":[{"name":"A","type":"string"}],"changes":[{"type":"insert"}]})",
            "alteração 1 (new)", true);
    refused(R"({"fields":[{"name":"A","type":"string"}],
                "changes":[{"type":"delete","old":["a"]},{"type":"delete","old":[]}]})",
            "alteração 2", true);
    refused(R"({"fields":[{"name":"A","type":"string"}],"changes":[7]})", "alteração 1", true);
}
