// The packet codec: every type both ways, and malformed packets refused with a message
// that names what is wrong.

#include <dataset/DataPacket.h>
#include <dataset/DataPacketTextWriter.h>

#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>

#include <cmath>

using namespace dataset;

namespace {

QJsonValue json(const char* text) {
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(QByteArray("[") + text + "]", &error);
    EXPECT_EQ(error.error, QJsonParseError::NoError) << text;
    return doc.array().at(0);
}

void expectMessage(const PacketError& e, const char* needle, const char* text) {
    EXPECT_TRUE(QString::fromUtf8(e.what()).contains(QString::fromUtf8(needle)))
        << e.what() << " should mention " << needle << " for " << text;
}

// Expects a PacketError whose message contains `needle`; data packets go through both the
// JSON-value decoder and the text reader.
void refused(const char* text, const char* needle, bool change = false) {
    try {
        change ? (void)changePacketFromJson(json(text)) : (void)dataPacketFromJson(json(text));
        ADD_FAILURE() << "accepted: " << text;
    } catch (const PacketError& e) {
        expectMessage(e, needle, text);
    }
    if (change)
        return;
    try {
        (void)dataPacketFromJsonText(QByteArray(text));
        ADD_FAILURE() << "text reader accepted: " << text;
    } catch (const PacketError& e) {
        expectMessage(e, needle, text);
    }
}

void textRefused(const QByteArray& text, const char* needle) {
    try {
        (void)dataPacketFromJsonText(text);
        ADD_FAILURE() << "text reader accepted: " << text.constData();
    } catch (const PacketError& e) {
        expectMessage(e, needle, text.constData());
    }
}

// The text reader either reads the packet or throws PacketError: nothing else.
bool readsOrRefuses(const QByteArray& text) {
    try {
        (void)dataPacketFromJsonText(text);
        return true;
    } catch (const PacketError&) {
        return false;
    }
}

const char* const kTricky = R"({"fields":[{"name":"S","type":"string","size":30},
    {"name":"F","type":"float"},{"name":"I","type":"integer"},{"name":"D","type":"date"},
    {"name":"B","type":"boolean"}],
  "meta":{"x":[1,{"y":null}],"z":"a\"b"},
  "rows":[["a\"b\\c\/d\n\t\u00e9\ud83c\udf3d",1e2,-7,"2026-07-01",true],
          ["ção",-0.5,0,"2026-12-31",false],
          ["ção",null,null,null,null],
          [null,0.125,9000000000000000,"2026-12-31",true]]})";

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

TEST(DataPacket, FieldsAreFoundByNameIgnoringLetterCaseOnly) {
    ChangePacket p;
    p.fields = {{"NRAMOSTRA", FieldType::String, 10},
                {"NR", FieldType::String, 2},
                {"Descrição", FieldType::String, 50},
                {"NRAMOSTRB", FieldType::String, 10}};
    EXPECT_EQ(p.indexOf("nramostra"), 0);
    EXPECT_EQ(p.indexOf("nR"), 1);
    EXPECT_EQ(p.indexOf("DESCRIÇÃO"), 2);
    EXPECT_EQ(p.indexOf("nramostrb"), 3);
    EXPECT_EQ(p.indexOf("NRAMOSTR"), -1);
    EXPECT_EQ(p.indexOf("NRAMOSTRAS"), -1);
    EXPECT_EQ(p.indexOf(""), -1);
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

TEST(DataPacketText, ReadsWhatTheJsonDecoderReads) {
    const DataPacket viaDocument = dataPacketFromJson(json(kTricky));
    const DataPacket viaText = dataPacketFromJsonText(QByteArray(kTricky));
    EXPECT_EQ(viaText.fields, viaDocument.fields);
    EXPECT_EQ(viaText.rows, viaDocument.rows);
    EXPECT_EQ(viaText.rows[0][0].toString(), QString::fromUtf8("a\"b\\c/d\n\té\U0001F33D"));
    EXPECT_EQ(viaText.rows[1][0].toString(), QString::fromUtf8("ção"));
    EXPECT_EQ(viaText.rows[3][2].toLongLong(), 9000000000000000LL);

    // A long list: texts met again rows apart (shared with the first), texts all different,
    // escaped twins of plain texts, nulls among them.
    QByteArray list =
        R"({"fields":[{"name":"A","type":"string"},{"name":"B","type":"string"}],"rows":[)";
    const char* const again[] = {R"("filial \u00e7")", R"("filial ç")", R"("x")", "null",
                                 R"("um texto mais longo que oito")"};
    for (int r = 0; r < 1500; ++r)
        list += (r ? ",[" : "[") + QByteArray(again[r * 7 % 5]) + ",\"" +
                QByteArray::number(r * 31) + (r % 3 ? "\"]" : " \\\"b\"]");
    list += "]}";
    EXPECT_EQ(dataPacketFromJsonText(list).rows, dataPacketFromJson(json(list.constData())).rows);

    // Rows before fields are read too (the slow way).
    const QByteArray swapped =
        R"({"rows":[["x"]],"fields":[{"name":"A","type":"string","size":1}]})";
    EXPECT_EQ(dataPacketFromJsonText(swapped).rows, QList<Row>({{QString("x")}}));
    // An empty packet, blanks everywhere.
    EXPECT_TRUE(dataPacketFromJsonText(" { \"fields\" : [ ] , \"rows\" : [ ] } ").rows.isEmpty());
}

// The packet written as text is the JSON the document gives, byte for byte, with every
// character a text may hold (quotes, controls, letters beyond ASCII, a lone surrogate), also
// from UTF-8 bytes, whose faults read as Qt reads them.
TEST(DataPacketText, WritesWhatTheJsonDocumentWrites) {
    DataPacket p = dataPacketFromJsonText(QByteArray(kTricky));
    p.rows.append({QString::fromUtf8("\x01\x1f\b\f\r\\\"x\u00e7\x7f\u20ac"), 1.0 / 3, QVariant(),
                   QDate(2026, 1, 2), false});
    p.rows.append({QString(), -0.0, QVariant::fromValue<qlonglong>(-4503599627370497LL), QVariant(),
                   QVariant()});
    p.rows.append({QString(), 100000.0, 123456789012LL, QVariant(), QVariant()});
    p.rows.append({QString(), 1e21, 0LL, QVariant(), QVariant()});
    p.rows.append({QString(), 9007199254740992.0, QVariant(), QVariant(), QVariant()});
    p.rows.append({QString(), -9007199254740994.0, QVariant(), QVariant(), QVariant()});
    for (int e = -9; e <= 17; ++e)
        for (const double m : {1.0, 1.5, 3.0 / 7, -123.456, 9.999999})
            p.rows.append({QString(), m * std::pow(10.0, e), QVariant(), QVariant(), QVariant()});
    const QByteArray text = dataPacketToJsonText(p);
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(text, &error);
    ASSERT_EQ(error.error, QJsonParseError::NoError) << text.constData();
    EXPECT_EQ(text.toStdString(),
              QJsonDocument(dataPacketToJson(p)).toJson(QJsonDocument::Compact).toStdString());

    // A lone surrogate (which no reader takes back) is escaped.
    const DataPacket lone{{p.fields.first()}, {{QString(QChar(0xD800)) + QStringLiteral("z")}}};
    EXPECT_EQ(dataPacketToJsonText(lone),
              QJsonDocument(dataPacketToJson(lone)).toJson(QJsonDocument::Compact));

    const QList<QByteArray> bytes{"um texto longo, sem nada a escapar",
                                  "1234567\"89abcdefgh\\",
                                  "12345678\x01\x7f sete",
                                  "abcdefg\xc3\xa7\xc3\xa3o longo",
                                  "\xc3\xa7\xf0\x9f\x8c\xbd\t",
                                  "a\xc3",
                                  "\xed\xa0\x80",
                                  "\xe0\x80\xaf",
                                  "\xf4\x90\x80\x80"
                                  "b",
                                  "\xff"
                                  "ok"};
    DataPacket texts{{{QStringLiteral("S"), FieldType::String, 0}}, {}};
    DataPacketTextWriter fromUtf8(texts.fields);
    for (const QByteArray& b : bytes) {
        texts.rows.append({QString::fromUtf8(b)});
        fromUtf8.beginRow();
        fromUtf8.text(QByteArrayView(b));
        fromUtf8.endRow();
    }
    EXPECT_EQ(fromUtf8.finish(), dataPacketToJsonText(texts));
    EXPECT_EQ(dataPacketFromJsonText(text).rows, dataPacketFromJson(dataPacketToJson(p)).rows);
    EXPECT_EQ(dataPacketToJsonText({p.fields, {}}),
              QJsonDocument(dataPacketToJson({p.fields, {}})).toJson(QJsonDocument::Compact));
}

// Field lists in every shape a writer may give: the text reader reads the same fields as the
// JSON decoder, or refuses with the same message.
TEST(DataPacketText, FieldListsReadAsTheDecoderReadsThem) {
    const char* const lists[] = {
        R"([{"type":"float","name":"F"},{"size":5,"name":"S","type":"string"}])",
        R"([{"name":"S","type":"string","size":null,"label":{"pt":["x"]}}])",
        R"([ { "name" : "S" , "type" : "string" , "size" : 1e2 } ])",
        R"([{"name":"Ação","type":"date"},{"name":"a\"b","type":"boolean"}])",
        R"([{"na\u006de":"E","type":"integer"}])",
        R"([{"name":"N","name":"M","type":"integer"}])",
        R"([{"name":"N","type":"integer","type":"float"}])",
        R"([{"name":"N","type":"Float"}])",
        R"([{"name":"N","type":"float","size":2.5}])",
        R"([{"name":"N","type":"float","size":1e7}])",
        R"([{"name":"N","type":"float","size":-0}])",
        R"([{"name":"","type":"float"}])",
        R"([{"name":7,"type":"float"}])",
        R"([{"name":"stra\u00dfe","type":"float"},{"name":"STRASSE","type":"float"}])",
        R"([["N","float"]])",
        R"([{}])",
    };
    for (const char* list : lists) {
        const QByteArray text = QByteArray(R"({"fields":)") + list + R"(,"rows":[]})";
        QString viaDocument;
        QString viaText;
        QList<FieldDef> documentFields;
        QList<FieldDef> textFields;
        try {
            documentFields = dataPacketFromJson(json(text.constData())).fields;
        } catch (const PacketError& e) {
            viaDocument = QString::fromUtf8(e.what());
        }
        try {
            textFields = dataPacketFromJsonText(text).fields;
        } catch (const PacketError& e) {
            viaText = QString::fromUtf8(e.what());
        }
        EXPECT_EQ(viaText, viaDocument) << list;
        EXPECT_EQ(textFields, documentFields) << list;
    }
    // The first list, read the usual way.
    const DataPacket first = dataPacketFromJsonText(QByteArray(R"({"fields":)") + lists[0] +
                                                    R"(,"rows":[[1.5,"abc"]]})");
    EXPECT_EQ(first.fields,
              QList<FieldDef>({{"F", FieldType::Float, 0}, {"S", FieldType::String, 5}}));
    EXPECT_EQ(first.rows, QList<Row>({{1.5, QString("abc")}}));
}

TEST(DataPacketText, MalformedTextNeverCrashesNorHalfReads) {
    textRefused(R"({"fields":[{"name":"A","type":"string"}],"rows":[]} x)", "após o fim");
    textRefused(R"({"fields":[],"fields":[],"rows":[]})", "repetido");
    textRefused(R"({"fields":[{"name":"A","type":"float"}],"rows":[[01]]})", "posição");
    textRefused(R"({"fields":[{"name":"A","type":"float"}],"rows":[[1.]]})", "número");
    textRefused(R"({"fields":[{"name":"A","type":"float"}],"rows":[[1e999]]})", "alcance");
    textRefused(R"({"fields":[{"name":"A","type":"string"}],"rows":[["\x"]]})", "escape");
    textRefused(R"({"fields":[{"name":"A","type":"string"}],"rows":[["\ud83c"]]})", "substituto");
    textRefused(R"({"fields":[{"name":"A","type":"string"}],"rows":[["\udf3d"]]})", "substituto");
    textRefused(R"({"fields":[{"name":"A","type":"string"}],"rows":[["\u12g4"]]})", "\\u");
    textRefused("{\"fields\":[{\"name\":\"A\",\"type\":\"string\"}],\"rows\":[[\"a\tb\"]]}",
                "controle");
    // Deep nesting in an unknown key is refused, not followed down the stack.
    const QByteArray deep = "{\"x\":" + QByteArray(100000, '[') + QByteArray(100000, ']') +
                            ",\"fields\":[],\"rows\":[]}";
    EXPECT_FALSE(readsOrRefuses(deep));

    // Every cut of a valid packet is refused; none crashes.
    const QByteArray whole(kTricky);
    for (qsizetype n = 0; n < whole.size(); ++n) {
        EXPECT_FALSE(readsOrRefuses(whole.left(n))) << "accepted a cut at " << n;
    }
    // Every single-byte change either reads or is refused; none crashes.
    const char replacements[] = {'"', '\\', '[', ']', '{', '}', ',', ':', '0', 'x', '\0', '\x80'};
    int refusedCount = 0;
    for (qsizetype i = 0; i < whole.size(); ++i)
        for (const char c : replacements) {
            QByteArray changed = whole;
            changed[i] = c;
            refusedCount += readsOrRefuses(changed) ? 0 : 1;
        }
    EXPECT_GT(refusedCount, 0);
}
