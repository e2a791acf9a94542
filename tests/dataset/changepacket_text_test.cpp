// The one-pass change packet reader against the JSON parser and the JSON-value decoder: what
// it reads they read alike, what they refuse it refuses, with the decoder's messages.

#include <dataset/DataPacket.h>

#include <gtest/gtest.h>

#include <QDate>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

using namespace dataset;

namespace {

// Two packets as a call carries them: the first with its changes before its fields (the
// order a QJsonObject writes), every type, escapes, unknown keys and an insert whose "old"
// is not even a row (ignored); the second null.
const char* const kTwo = R"([{"changes":[
    {"type":"insert","x":{"y":[1,"]"]},"old":"ignored","new":["a\"b\\c\/d\n\t\u00e9\ud83c\udf3d",1e2,-7,"2026-07-01",true]},
    {"new":["ção",-0.5,0,"2026-12-31",false],"old":[null,null,null,null,null],"type":"modify"},
    {"type":"delete","old":[null,0.125,9000000000000000,null,null],"new":[1]}],
  "fields":[{"name":"S","type":"string","size":30},{"size":null,"name":"F","type":"float"},
    {"name":"I","type":"integer"},{"name":"D","type":"date","extra":[]},{"name":"B","type":"boolean"}],
  "meta":null},
  null])";

// One packet with its fields first and an escaped key.
const char* const kFieldsFirst =
    R"( {"fields":[{"name":"A","type":"string","size":10}],
         "ch\u0061nges":[{"type":"insert","new":[" x "]}]} )";

void expectSame(const ChangePacket& a, const ChangePacket& b, const QByteArray& text) {
    ASSERT_EQ(a.fields, b.fields) << text.constData();
    ASSERT_EQ(a.changes.size(), b.changes.size()) << text.constData();
    for (qsizetype i = 0; i < a.changes.size(); ++i) {
        EXPECT_EQ(a.changes[i].kind, b.changes[i].kind) << text.constData();
        EXPECT_EQ(a.changes[i].oldRow, b.changes[i].oldRow) << text.constData();
        EXPECT_EQ(a.changes[i].newRow, b.changes[i].newRow) << text.constData();
    }
}

// The packets of a list the slow way: parse, then decode each item; nullopt when either
// refuses.
std::optional<QList<ChangePacket>> viaDocument(const QByteArray& text) {
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(text, &error);
    if (error.error != QJsonParseError::NoError || !doc.isArray())
        return std::nullopt;
    QList<ChangePacket> packets;
    try {
        for (const QJsonValue& item : doc.array())
            packets.append(changePacketFromJson(item));
    } catch (const PacketError&) {
        return std::nullopt;
    }
    return packets;
}

// Reads the list with the text reader; when it does, the slow way must read the same.
// Anything but PacketError escaping is a failure. True when the text reader read it.
bool readsLikeTheDocument(const QByteArray& text) {
    QList<ChangePacket> packets;
    try {
        packets = changePacketsFromJsonText(text);
    } catch (const PacketError&) {
        return false;
    }
    const auto slow = viaDocument(text);
    EXPECT_TRUE(slow.has_value()) << "read what the parser or decoder refuses: "
                                  << text.toHex().constData() << " " << text.constData();
    if (!slow)
        return true;
    EXPECT_EQ(slow->size(), packets.size());
    for (qsizetype i = 0; i < std::min(slow->size(), packets.size()); ++i)
        expectSame(packets[i], slow->at(i), text);
    return true;
}

QString refusal(const QByteArray& text) {
    try {
        (void)changePacketFromJsonText(text);
    } catch (const PacketError& e) {
        return QString::fromUtf8(e.what());
    }
    return QStringLiteral("<read>");
}

} // namespace

TEST(ChangePacketText, ReadsWhatTheParserAndDecoderRead) {
    EXPECT_TRUE(readsLikeTheDocument(kTwo));
    const QList<ChangePacket> packets = changePacketsFromJsonText(kTwo);
    ASSERT_EQ(packets.size(), 2);
    ASSERT_EQ(packets[0].changes.size(), 3);
    EXPECT_EQ(packets[0].changes[0].newRow[0].toString(),
              QString::fromUtf8("a\"b\\c/d\n\té\U0001F33D"));
    EXPECT_TRUE(packets[0].changes[0].oldRow.isEmpty());
    EXPECT_EQ(packets[0].changes[2].oldRow[2].toLongLong(), 9000000000000000LL);
    EXPECT_TRUE(packets[0].changes[2].newRow.isEmpty()); // a delete's "new" is not read
    EXPECT_TRUE(packets[1].changes.isEmpty());

    const ChangePacket one = changePacketFromJsonText(kFieldsFirst);
    ASSERT_EQ(one.changes.size(), 1);
    EXPECT_EQ(one.changes[0].newRow, Row({QString(" x ")}));
    EXPECT_TRUE(changePacketFromJsonText(" null ").changes.isEmpty());
    EXPECT_TRUE(changePacketsFromJsonText("[]").isEmpty());
}

// Written as text, a change packet is the JSON the document gives, byte for byte: every kind
// of change, every type, escapes in values and in a field's name.
TEST(ChangePacketText, WritesWhatTheJsonDocumentWrites) {
    ChangePacket p = changePacketsFromJsonText(kTwo).first();
    p.fields[1].name = QStringLiteral("F \"ç\"\n");
    p.changes.append({ChangeKind::Modify,
                      {QStringLiteral("antes"), 2.5, 3LL, QDate(2026, 2, 28), true},
                      {QString(), 1e-7, QVariant(), QVariant(), false}});
    const QByteArray text = changePacketToJsonText(p);
    EXPECT_EQ(text.toStdString(), QJsonDocument(changePacketToJson(p).toObject())
                                      .toJson(QJsonDocument::Compact)
                                      .toStdString());
    expectSame(changePacketFromJsonText(text), p, text);
    EXPECT_EQ(changePacketToJsonText({p.fields, {}}), QByteArray("null"));
}

TEST(ChangePacketText, RefusesWithTheDecodersMessages) {
    const auto same = [](const char* text) {
        QString slow;
        try {
            (void)changePacketFromJson(
                QJsonDocument::fromJson(QByteArray("[") + text + "]").array().at(0));
            slow = QStringLiteral("<read>");
        } catch (const PacketError& e) {
            slow = QString::fromUtf8(e.what());
        }
        EXPECT_NE(slow, QStringLiteral("<read>")) << text;
        EXPECT_EQ(refusal(text), slow) << text;
    };
    same(R"("x")");
    same(R"({"changes":[]})");
    same(R"({"fields":[{"name":"A","type":"string"}]})");
    same(R"({"fields":[7],"changes":[]})");
    same(R"({"fields":[{"type":"string"}],"changes":[]})");
    same(R"({"fields":[{"name":1,"type":"string"}],"changes":[]})");
    same(R"({"fields":[{"name":"A","type":"text"}],"changes":[]})");
    same(R"({"fields":[{"name":"A"}],"changes":[]})");
    same(R"({"fields":[{"name":"A","type":"float"},{"name":"a","type":"float"}],"changes":[]})");
    same(R"({"fields":[{"name":"A","type":"float","size":1.5}],"changes":[]})");
    same(R"({"fields":[{"name":"A","type":"float","size":"1"}],"changes":[]})");
    same(R"({"changes":[{"type":"upsert"}],"fields":[{"name":"A","type":"string"}]})");
    same(R"({"changes":[{"new":["a"]}],"fields":[{"name":"A","type":"string"}]})");
    same(R"({"changes":[{"type":"modify","new":["a"]}],"fields":[{"name":"A","type":"string"}]})");
    same(
        R"({"changes":[{"type":"insert","new":{"A":"a"}}],"fields":[{"name":"A","type":"string"}]})");
    same(R"({"changes":[{"type":"delete","old":["a"]},{"type":"delete","old":[]}],
             "fields":[{"name":"A","type":"string"}]})");
    same(R"({"changes":[7],"fields":[{"name":"A","type":"string"}]})");
    same(R"({"changes":{},"fields":[{"name":"A","type":"string"}]})");
    // The count is told before a value that does not fit.
    same(R"({"changes":[{"type":"insert","new":[1,2]}],"fields":[{"name":"A","type":"string"}]})");
    same(R"({"changes":[{"type":"insert","new":["x",1,"y"]}],
             "fields":[{"name":"A","type":"string"},{"name":"B","type":"string"}]})");
    for (const char* value :
         {"\"1\"", "1.5", "1e16", "\"2026-02-30\"", "\"2026-2-3\"", "1", "\"S\""})
        for (const char* type : {"float", "integer", "date", "boolean"}) {
            const QByteArray text = QByteArray(R"({"fields":[{"name":"V","type":")") + type +
                                    R"("}],"changes":[{"type":"insert","new":[)" + value + "]}]}";
            if (viaDocument("[" + text + "]"))
                continue; // fits that type
            same(text.constData());
        }

    // Not JSON, or a key given twice: refused with the position.
    EXPECT_TRUE(refusal(R"({"fields":[],"changes":[]} x)").contains("após o fim"));
    EXPECT_TRUE(refusal(R"({"fields":[],"fields":[],"changes":[]})").contains("repetida"));
    EXPECT_TRUE(refusal("{\"fields\":[],\"changes\":[],\"x\":\"\xc3\"}").contains("UTF-8"));
    EXPECT_TRUE(refusal(R"({"fields":[],"changes":[1e-400]})").contains("posição"));
}

TEST(ChangePacketText, NeverReadsWhatTheParserOrDecoderRefuses) {
    // Cases where the JSON parser is strict (invalid UTF-8, numbers out of range) or lenient
    // (a repeated key, control characters, "\x", "1.") and the decoder's corner cases.
    const QByteArray field = R"({"fields":[{"name":"S","type":"string"}],"changes":[)";
    for (const QByteArray& change :
         {QByteArray(R"({"type":"insert","new":["\ud800"]})"),
          QByteArray(R"({"type":"insert","new":["\x"]})"),
          QByteArray(R"({"type":"insert","new":["a\u0000b"]})"),
          QByteArray("{\"type\":\"insert\",\"new\":[\"\xc0\xaf\"]}"),
          QByteArray("{\"type\":\"insert\",\"new\":[\"\xed\xa0\x80\"]}"),
          QByteArray("{\"type\":\"insert\",\"new\":[\"\xf4\x90\x80\x80\"]}"),
          QByteArray("{\"type\":\"insert\",\"new\":[\"\xef\xbf\xbf\"]}"),
          QByteArray("{\"type\":\"insert\",\"new\":[\"a\tb\"]}"),
          QByteArray(R"({"type":"insert","type":"delete","new":["a"],"old":["b"]})"),
          QByteArray(R"({"type":"insert","new":["a"],"old":[1.]})"),
          QByteArray(R"({"type":"insert","new":["a"],"old":[1e400]})"),
          QByteArray(R"({"type":"insert","new":["a"],"old":[-0]})"),
          QByteArray(R"({"type":"insert","new":["a"],"old":[01]})")})
        readsLikeTheDocument("[" + field + change + "]}]");
    readsLikeTheDocument("\xef\xbb\xbf[null]");
    readsLikeTheDocument("[null] ");

    // Every cut and every single-byte change of a valid list: read alike or refused, and
    // nothing but PacketError escapes.
    const QByteArray whole(kTwo);
    for (qsizetype n = 0; n < whole.size(); ++n)
        EXPECT_FALSE(readsLikeTheDocument(whole.left(n))) << "read a cut at " << n;
    const char replacements[] = {'"', '\\', '[', ']', '{', '}',  ',',  ':',    '0',   '9',
                                 '-', 'e',  '.', 'x', ' ', '\t', '\0', '\x80', '\xc3'};
    int read = 0, refused = 0;
    for (qsizetype i = 0; i < whole.size(); ++i)
        for (const char c : replacements) {
            QByteArray changed = whole;
            changed[i] = c;
            (readsLikeTheDocument(changed) ? read : refused) += 1;
        }
    // Both sides of the comparison were exercised.
    EXPECT_GT(read, 500);
    EXPECT_GT(refused, 500);
}
