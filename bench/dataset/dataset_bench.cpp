// Loads a data packet of 10,000 samples into a client dataset and takes the change packet
// of 1,000 edits; each cost is printed as a ratio to parsing the same JSON alone, measured in
// the same run.
//
//   build/bin/dataset_bench --benchmark_min_time=0.5

#include <dataset/ClientDataSet.h>

#include <benchmark/benchmark.h>

#include <QJsonArray>
#include <QJsonDocument>

#include <cstdio>
#include <map>
#include <string>

using namespace dataset;

namespace {

constexpr int kRows = 10000;
constexpr int kEdits = 1000;

const QList<FieldDef> kFields = {
    {"NRAMOSTRA", FieldType::String, 10},    {"DSAMOSTRA", FieldType::String, 50},
    {"CDARVPROD", FieldType::String, 20},    {"CDPRODUTO", FieldType::String, 10},
    {"QTPRODPROC", FieldType::Float, 0},     {"SGUNIDADE", FieldType::String, 10},
    {"NMPRODUTO", FieldType::String, 50},    {"CDFILIAL", FieldType::String, 4},
    {"NRLANCTONF", FieldType::String, 10},   {"CDSERIEENTR", FieldType::String, 5},
    {"NRINSJURNF", FieldType::String, 20},   {"IDTPIJURNF", FieldType::String, 1},
    {"NMRAZSOCFORN", FieldType::String, 40}, {"CDFORNECED", FieldType::String, 21},
    {"NRNOTAFISC", FieldType::String, 20}};

const QByteArray& sampleJson() {
    static const QByteArray json = [] {
        DataPacket p;
        p.fields = kFields;
        for (int i = 1; i <= kRows; ++i) {
            const QString n = QString::number(i);
            p.rows.append({n.rightJustified(10, QLatin1Char('0')),
                           QStringLiteral("Amostra de milho em grão nº ") + n,
                           QStringLiteral("1.01.%1").arg(i % 1000, 3, 10, QLatin1Char('0')),
                           QString::number(100000 + i % 1000), 1000.0 + i * 0.125,
                           QStringLiteral("KG"), QStringLiteral("Milho em grão tipo %1").arg(i % 7),
                           QStringLiteral("0001"), QString::number(500000 + i), QStringLiteral("1"),
                           QStringLiteral("52998224725"), QStringLiteral("F"),
                           QStringLiteral("Cooperativa Agrícola do Vale"),
                           QString::number(7000 + i % 50), QString::number(90000000 + i)});
        }
        return QJsonDocument(dataPacketToJson(p)).toJson(QJsonDocument::Compact);
    }();
    return json;
}

// The screen's sample list: fields defined from code, two of them calculated.
void defineScreenFields(ClientDataSet& cds) {
    for (const FieldDef& def : kFields)
        cds.addField(def.name, def.type, def.size);
    cds.addField("DESCAMOSTRA", FieldType::String, 200, FieldKind::Calculated);
    cds.addField("PRODDESC", FieldType::String, 200, FieldKind::Calculated);
    cds.fieldByName("QTPRODPROC")->setDisplayFormat("###0.000");
}

// The list's calculated caption, as the screen computes it on every record.
void computeProductCaption(ClientDataSet& cds) {
    cds.onCalcFields = [](ClientDataSet& d) {
        d.fieldByName("PRODDESC")
            ->setAsString(d.fieldByName("CDARVPROD")->asString() + QStringLiteral(" - ") +
                          d.fieldByName("NMPRODUTO")->asString());
    };
}

void BM_ParseJson(benchmark::State& state) {
    const QByteArray& json = sampleJson();
    for (auto _ : state) {
        QJsonDocument doc = QJsonDocument::fromJson(json);
        benchmark::DoNotOptimize(doc);
    }
}

void BM_LoadPacketFields(benchmark::State& state) {
    const QByteArray& json = sampleJson();
    ClientDataSet cds;
    for (auto _ : state) {
        cds.setDataJson(QJsonDocument::fromJson(json).object());
        benchmark::DoNotOptimize(cds.recordCount());
    }
    if (cds.recordCount() != kRows)
        state.SkipWithError("wrong row count");
}

void BM_LoadTextPacketFields(benchmark::State& state) {
    const QByteArray& json = sampleJson();
    ClientDataSet cds;
    for (auto _ : state) {
        cds.setDataJsonText(json);
        benchmark::DoNotOptimize(cds.recordCount());
    }
    if (cds.recordCount() != kRows)
        state.SkipWithError("wrong row count");
}

void BM_LoadTextScreenFields(benchmark::State& state) {
    const QByteArray& json = sampleJson();
    ClientDataSet cds;
    defineScreenFields(cds);
    computeProductCaption(cds);
    for (auto _ : state) {
        cds.setDataJsonText(json);
        benchmark::DoNotOptimize(cds.recordCount());
    }
    if (cds.recordCount() != kRows)
        state.SkipWithError("wrong row count");
}

void BM_LoadScreenFields(benchmark::State& state) {
    const QByteArray& json = sampleJson();
    ClientDataSet cds;
    defineScreenFields(cds);
    computeProductCaption(cds);
    for (auto _ : state) {
        cds.setDataJson(QJsonDocument::fromJson(json).object());
        benchmark::DoNotOptimize(cds.recordCount());
    }
    if (cds.recordCount() != kRows)
        state.SkipWithError("wrong row count");
}

void BM_DecodeOnly(benchmark::State& state) {
    const QJsonObject obj = QJsonDocument::fromJson(sampleJson()).object();
    for (auto _ : state) {
        DataPacket p = dataPacketFromJson(obj);
        benchmark::DoNotOptimize(p.rows.size());
    }
}

void BM_SetDataOnly(benchmark::State& state) {
    const DataPacket p = dataPacketFromJson(QJsonDocument::fromJson(sampleJson()).object());
    ClientDataSet cds;
    for (auto _ : state) {
        cds.setData(p);
        benchmark::DoNotOptimize(cds.recordCount());
    }
}

// 1,000 edits spread over the list, each through the cursor as a screen makes them.
void edit1000(ClientDataSet& cds) {
    Field* qt = cds.fieldByName("QTPRODPROC");
    Field* ds = cds.fieldByName("DSAMOSTRA");
    cds.first();
    for (int i = 0; i < kEdits; ++i) {
        cds.edit();
        qt->setAsFloat(qt->asFloat() + 1);
        ds->setAsString(QStringLiteral("Revisada %1").arg(i));
        cds.post();
        cds.moveBy(kRows / kEdits);
    }
}

void BM_ChangePacketOf1000Edits(benchmark::State& state) {
    ClientDataSet cds;
    defineScreenFields(cds);
    cds.setDataJson(QJsonDocument::fromJson(sampleJson()).object());
    edit1000(cds);
    QByteArray out;
    for (auto _ : state) {
        out = QJsonDocument(changePacketToJson(cds.delta()).toObject())
                  .toJson(QJsonDocument::Compact);
        benchmark::DoNotOptimize(out.data());
    }
    if (cds.changeCount() != kEdits)
        state.SkipWithError("wrong change count");
}

void BM_DeltaOf1000Edits(benchmark::State& state) {
    ClientDataSet cds;
    defineScreenFields(cds);
    cds.setDataJson(QJsonDocument::fromJson(sampleJson()).object());
    edit1000(cds);
    for (auto _ : state) {
        ChangePacket delta = cds.delta();
        benchmark::DoNotOptimize(delta.changes.size());
    }
}

void BM_Edit1000AndTakeChangePacket(benchmark::State& state) {
    ClientDataSet cds;
    defineScreenFields(cds);
    for (auto _ : state) {
        state.PauseTiming();
        cds.setDataJson(QJsonDocument::fromJson(sampleJson()).object());
        state.ResumeTiming();
        edit1000(cds);
        QByteArray out = QJsonDocument(changePacketToJson(cds.delta()).toObject())
                             .toJson(QJsonDocument::Compact);
        benchmark::DoNotOptimize(out.data());
    }
}

BENCHMARK(BM_ParseJson)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DecodeOnly)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SetDataOnly)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadPacketFields)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadScreenFields)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadTextPacketFields)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadTextScreenFields)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DeltaOf1000Edits)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ChangePacketOf1000Edits)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Edit1000AndTakeChangePacket)->Unit(benchmark::kMillisecond);

// Prints the usual table, then each benchmark as a ratio to the bare parse. Ratios use CPU
// time, which the other processes of a shared machine disturb less than wall time.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs)
            if (run.iterations > 0 && run.run_type == Run::RT_Iteration)
                perIteration_[run.benchmark_name()] =
                    run.cpu_accumulated_time / static_cast<double>(run.iterations);
    }
    void Finalize() override {
        ConsoleReporter::Finalize();
        const auto base = perIteration_.find("BM_ParseJson");
        if (base == perIteration_.end() || base->second <= 0)
            return;
        std::printf("\nCPU time as a ratio to QJsonDocument::fromJson of the same %d-row packet "
                    "(%.2f ms):\n",
                    kRows, base->second * 1e3);
        for (const auto& [name, seconds] : perIteration_)
            std::printf("  %-34s %6.2f x  (%.2f ms)\n", name.c_str(), seconds / base->second,
                        seconds * 1e3);
    }

private:
    std::map<std::string, double> perIteration_;
};

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    std::printf("Packet: %d rows, %lld bytes of JSON\n", kRows,
                static_cast<long long>(sampleJson().size()));
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
