// The error rows of the server's answer and the two tests over them.
#include <est25000/ErrosServidor.h>

#include <dataset/ClientDataSet.h>
#include <dataset/DataPacket.h>

#include <gtest/gtest.h>

using namespace Cli_est25000;

namespace {

dataset::DataPacket resposta(const QList<QPair<QString, QString>>& linhas) {
    dataset::DataPacket packet;
    packet.fields = {{"CDOBJETO", dataset::FieldType::String, 20},
                     {"CDERRO", dataset::FieldType::String, 20},
                     {"DSCOMPL", dataset::FieldType::String, 40}};
    for (const auto& [objeto, erro] : linhas)
        packet.rows.append(dataset::Row{objeto, erro, QStringLiteral("extra")});
    return packet;
}

TEST(ErrosServidor, BeforeAnyAnswerNothingIsRefusedAndNoItemHasErrors) {
    dataset::ClientDataSet erros;
    EXPECT_FALSE(retornouErro(erros));
    EXPECT_FALSE(resultErroItem(erros, QStringLiteral("0000000001")));
    EXPECT_FALSE(resultErroItem(erros, QString()));
}

TEST(ErrosServidor, AnAnswerWithoutRowsRefusesNothing) {
    dataset::ClientDataSet erros;
    erros.setData(resposta({}));
    EXPECT_FALSE(retornouErro(erros));
    EXPECT_FALSE(resultErroItem(erros, QStringLiteral("0000000001")));
    EXPECT_FALSE(resultErroItem(erros, QString()));
}

TEST(ErrosServidor, AnyRowRefusesAConfirmationAndTheItemCodesComeFirst) {
    dataset::ClientDataSet erros;
    erros.setData(resposta({{"0000000001", "EST25000_4"}, {"0000000002", "XYZ_9"}}));
    EXPECT_TRUE(retornouErro(erros)) << "a refused deletion or an unknown code stores nothing";
    EXPECT_TRUE(resultErroItem(erros, QStringLiteral("0000000002")))
        << "the row exists for the item even though its code is unknown";

    for (const char* codigo : {"EST25000_1", "EST25000_2", "EST25000_3", "est25000_1"}) {
        dataset::ClientDataSet recusa;
        recusa.setData(resposta({{"0000000007", "EST25000_4"}, {"0000000008", codigo}}));
        EXPECT_TRUE(retornouErro(recusa)) << codigo;
        EXPECT_EQ(recusa.fieldByName("CDOBJETO")->asString(), "0000000008")
            << "the cursor stays on the row found";
    }
}

TEST(ErrosServidor, ItemLookupMatchesTheWholeCodeIgnoringCase) {
    dataset::ClientDataSet erros;
    erros.setData(resposta({{"0000000010", "EST25000_1"}, {"abc123", "EST25000_3"}}));
    EXPECT_TRUE(resultErroItem(erros, QStringLiteral("0000000010")));
    EXPECT_TRUE(resultErroItem(erros, QStringLiteral("ABC123")));
    EXPECT_FALSE(resultErroItem(erros, QStringLiteral("000000001")));
    EXPECT_FALSE(resultErroItem(erros, QStringLiteral("00000000100")));
    EXPECT_FALSE(resultErroItem(erros, QString())) << "no row for the empty object";

    erros.setData(resposta({{"", "EST25000_1"}}));
    EXPECT_TRUE(resultErroItem(erros, QString()));
}

} // namespace
