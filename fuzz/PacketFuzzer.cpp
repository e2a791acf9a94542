// Every reader of the packets a request carries, on arbitrary bytes: the one-pass readers of
// data and change packets, the JSON-value decoder behind the general path, and the check of
// the text's Unicode. A reader may refuse (PacketError); it may not crash, hang or read out of
// bounds, and the two change-packet readers must agree on what they accept.
#include <dataset/DataPacket.h>
#include <server/UnicodeText.h>

#include <QJsonArray>
#include <QJsonDocument>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    server::hasInvalidText(bytes);
    try {
        dataset::dataPacketFromJsonText(bytes);
    } catch (const dataset::PacketError&) {
    }
    bool textRead = false;
    qsizetype textCount = 0;
    try {
        textCount = dataset::changePacketsFromJsonText(bytes).size();
        textRead = true;
    } catch (const dataset::PacketError&) {
    }
    const QJsonDocument doc = QJsonDocument::fromJson(bytes);
    if (!doc.isArray()) {
        if (textRead)
            std::abort(); // the one-pass reader took what the JSON parser refuses
        return 0;
    }
    qsizetype decoded = 0;
    bool allDecoded = true;
    for (const QJsonValue& value : doc.array()) {
        try {
            dataset::changePacketFromJson(value);
            ++decoded;
        } catch (const dataset::PacketError&) {
            allDecoded = false;
        }
    }
    if (textRead && (!allDecoded || decoded != textCount))
        std::abort(); // accepted by one reader only
    return 0;
}
