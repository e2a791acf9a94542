// The two one-pass packet readers share one JSON token reader but not all of its words: the
// data packet reader (client side) lets text that is not UTF-8 through and keeps its shorter
// messages; the change packet reader (server side) refuses it and places every fault.

#include <dataset/DataPacket.h>

#include <gtest/gtest.h>

using namespace dataset;

namespace {

// The refusal's text, or "(aceito)".
template <class Read> std::string refusal(Read read, const QByteArray& text) {
    try {
        (void)read(text);
    } catch (const PacketError& e) {
        return e.what();
    }
    return "(aceito)";
}

std::string dataRefusal(const QByteArray& text) {
    return refusal([](QByteArrayView t) { return dataPacketFromJsonText(t); }, text);
}

std::string changeRefusal(const QByteArray& text) {
    return refusal([](QByteArrayView t) { return changePacketFromJsonText(t); }, text);
}

QByteArray dataPacketWith(const QByteArray& extra, const QByteArray& value) {
    return R"({"fields":[{"name":"A","type":"string"}],"x":)" + extra + R"(,"rows":[[")" + value +
           R"("]]})";
}

QByteArray changePacketWith(const QByteArray& extra, const QByteArray& value) {
    return R"({"fields":[{"name":"A","type":"string"}],"x":)" + extra +
           R"(,"changes":[{"type":"insert","new":[")" + value + R"("]}]})";
}

QByteArray nested(int levels) {
    return QByteArray(levels, '[') + QByteArray(levels, ']');
}

} // namespace

TEST(PacketTextWording, NestingLimitIsTheSameWithEachReadersWords) {
    EXPECT_EQ(dataRefusal(dataPacketWith(nested(65), "a")), "(aceito)");
    EXPECT_EQ(changeRefusal(changePacketWith(nested(65), "a")), "(aceito)");
    // A 66th level after ": ": the data reader places the fault before the blank, the change
    // reader on the value itself.
    const QByteArray deep = nested(64).insert(64, R"({"k": 1})");
    EXPECT_EQ(dataRefusal(dataPacketWith(deep, "a")),
              std::string("pacote aninhado demais (posição 114)"));
    EXPECT_EQ(changeRefusal(changePacketWith(deep, "a")),
              std::string("pacote malformado: aninhado demais (posição 115)"));
}

TEST(PacketTextWording, StringFaultsAreWordedByEachReader) {
    EXPECT_EQ(dataRefusal(dataPacketWith("0", "a\\qb")),
              std::string("escape inválido em um texto"));
    EXPECT_EQ(changeRefusal(changePacketWith("0", "a\\qb")),
              std::string("pacote malformado: escape inválido em um texto (posição 88)"));
    EXPECT_EQ(dataRefusal(dataPacketWith("0", "\\udc00")),
              std::string("par substituto inválido em um texto"));
    EXPECT_EQ(dataRefusal(R"({"fields":[{"name":"A","type":"string"}],"rows":[["a\)"),
              std::string("texto sem aspas finais"));
    EXPECT_EQ(changeRefusal(R"({"fields":[{"name":"A","type":"string"}],"changes":[["a\)"),
              std::string("pacote malformado: texto sem aspas finais (posição 55)"));
    EXPECT_EQ(dataRefusal(dataPacketWith("[1,{2:3}]", "a")),
              std::string("texto esperado (posição 49)"));
    EXPECT_EQ(changeRefusal(changePacketWith("[1,{2:3}]", "a")),
              std::string("pacote malformado: texto esperado (posição 49)"));
    EXPECT_EQ(dataRefusal(dataPacketWith("[1,{\"k\" 3}]", "a")),
              std::string("pacote malformado: falta ':' (posição 53)"));
    EXPECT_EQ(changeRefusal(changePacketWith("[1,{\"k\" 3}]", "a")),
              std::string("pacote malformado: falta ':' (posição 53)"));
}

TEST(PacketTextWording, TextNotInUtf8IsLetThroughOnlyByTheDataReader) {
    // An escape inside the broken text: it still decodes as the text would without it.
    const DataPacket packet = dataPacketFromJsonText(dataPacketWith("0", "\xc3\\n\xe2\x82"));
    ASSERT_EQ(packet.rows.size(), 1);
    EXPECT_EQ(packet.rows[0][0].toString(), QString::fromUtf8("\xc3\n\xe2\x82"));
    EXPECT_EQ(changeRefusal(changePacketWith("0", "\xc3\\n")),
              std::string("pacote malformado: texto fora de UTF-8 (posição 87)"));
    // Both read the same escapes to the same text.
    const QByteArray escapes = R"(\"\\\/\b\f\n\r\t\u00e7\ud83c\udf3d)";
    const ChangePacket change = changePacketFromJsonText(changePacketWith("0", escapes));
    ASSERT_EQ(change.changes.size(), 1);
    EXPECT_EQ(change.changes[0].newRow[0],
              dataPacketFromJsonText(dataPacketWith("0", escapes)).rows[0][0]);
    EXPECT_EQ(change.changes[0].newRow[0].toString(),
              QString::fromUtf8("\"\\/\b\f\n\r\tç\xf0\x9f\x8c\xbd"));
}
