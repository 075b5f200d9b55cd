// The tree-list at the size of a large scan: 1,000,000 stream rows under 100,000 file rows, each
// carrying the results tree's record of six texts.
//
// Measured (native, optimised):
// - adding the rows as the scan does (updates suspended, each file expanded as its streams come),
//   against the least work that keeps the same records: appending them to a std::vector reserved
//   beforehand; printed as rows added per second and as the ratio of the two;
// - memory per row beyond the row texts, from the heap in use before and after (glibc's mallinfo2):
//   the tree's heap less the heap of the texts alone;
// - expand all, collapse all and check all on the full tree, the view rebuilt after each;
// - scrolling one page and painting one screen (800 x 600 on the raster canvas) of the full tree,
//   against the same paint of a tree of 1,000 rows: the ratio shows that the paint does not grow
//   with the rows in the tree.

#include "platform/headless/HeadlessBackend.h"
#include "toolkit/TreeList.h"

#include <benchmark/benchmark.h>
#include <malloc.h>

#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr int kFiles = 100000;
constexpr int kStreamsPerFile = 10;
constexpr std::int64_t kRows = static_cast<std::int64_t>(kFiles) * (kStreamsPerFile + 1);

// The results tree's record.
struct TRowRecord {
    std::wstring Column1, Column2, Column3, Column4, Column5, Column6;
};

std::wstring filePath(int f) {
    return L"C:\\Users\\bench\\Documents\\file" + std::to_wstring(f) + L".txt";
}

void fillFile(TRowRecord& row, int f) {
    row.Column1 = filePath(f);
    row.Column3 = L"12.5 KB";
    row.Column4 = L"12/03/2024 10:41:07";
    row.Column5 = L"14/03/2024 08:02:55";
}

void fillStream(TRowRecord& row, int f, int s) {
    row.Column1 = L"stream" + std::to_wstring(s);
    row.Column2 = filePath(f) + L":" + row.Column1;
    row.Column3 = L"26 B";
    row.Column4 = L"12/03/2024 10:41:07";
    row.Column5 = L"14/03/2024 08:02:55";
    row.Column6 = L"[ZoneTransfer]..ZoneId=3";
}

void setUp(TTreeList& tree) {
    tree.setNodeDataType<TRowRecord>();
    tree.setDefaultNodeHeight(17);
    tree.OnInitNode = [](TTreeList* sender, TTreeNode* node) {
        sender->setCheckType(node, sender->getNodeLevel(node) == 0 ? TCheckType::ctTriStateCheckBox
                                                                   : TCheckType::ctCheckBox);
        sender->setCheckState(node, TCheckState::csCheckedNormal);
    };
    tree.OnGetText = [](TTreeList* sender, TTreeNode* node, int column, std::wstring& text) {
        const TRowRecord* row = sender->getNodeData<TRowRecord>(node);
        const std::wstring* columns[] = {&row->Column1, &row->Column2, &row->Column3,
                                         &row->Column4, &row->Column5, &row->Column6};
        if (column >= 0 && column < 6) {
            text = *columns[column];
        }
    };
    const int widths[] = {210, 150, 90, 150, 150, 400};
    for (int i = 0; i < 6; ++i) {
        tree.addColumn(TTreeColumn{L"Column" + std::to_wstring(i + 1), widths[i]});
    }
}

// Fills tree as the scan's notifications do.
void fill(TTreeList& tree, int files) {
    tree.beginUpdate();
    tree.clear();
    for (int f = 0; f < files; ++f) {
        TTreeNode* file = tree.addChild(nullptr);
        fillFile(*tree.getNodeData<TRowRecord>(file), f);
        for (int s = 0; s < kStreamsPerFile; ++s) {
            TTreeNode* stream = tree.addChild(file);
            fillStream(*tree.getNodeData<TRowRecord>(stream), f, s);
            tree.setExpanded(file, true);
        }
    }
    tree.endUpdate();
    tree.rowCount(); // the view, built once
}

std::size_t heapInUse() {
    const struct mallinfo2 info = mallinfo2();
    return info.uordblks + info.hblkhd; // large blocks are mapped apart from the heap
}

void BM_AddRows(benchmark::State& state) {
    for (auto _ : state) {
        auto tree = std::make_unique<TTreeList>();
        setUp(*tree);
        fill(*tree, kFiles);
        benchmark::DoNotOptimize(tree->totalCount());
        state.PauseTiming();
        tree.reset();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * kRows);
}

void BM_AddRowsToAVector(benchmark::State& state) {
    for (auto _ : state) {
        struct TFlatRow {
            TRowRecord record;
            std::uint32_t parent;
        };
        auto rows = std::make_unique<std::vector<TFlatRow>>();
        rows->reserve(static_cast<std::size_t>(kRows));
        for (int f = 0; f < kFiles; ++f) {
            rows->emplace_back();
            fillFile(rows->back().record, f);
            const auto file = static_cast<std::uint32_t>(rows->size() - 1);
            for (int s = 0; s < kStreamsPerFile; ++s) {
                rows->emplace_back();
                fillStream(rows->back().record, f, s);
                rows->back().parent = file;
            }
        }
        benchmark::DoNotOptimize(rows->data());
        state.PauseTiming();
        rows.reset();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * kRows);
}

// The full tree shared by the operations below, and a small one for the paint's baseline.
TTreeList* gFull = nullptr;
TTreeList* gSmall = nullptr;

void BM_ExpandAll(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        gFull->fullCollapse();
        gFull->rowCount();
        state.ResumeTiming();
        gFull->fullExpand();
        benchmark::DoNotOptimize(gFull->rowCount());
    }
}

void BM_CollapseAll(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        gFull->fullExpand();
        gFull->rowCount();
        state.ResumeTiming();
        gFull->fullCollapse();
        benchmark::DoNotOptimize(gFull->rowCount());
    }
    gFull->fullExpand();
}

void BM_CheckAll(benchmark::State& state) {
    bool checked = false;
    for (auto _ : state) {
        checked = !checked;
        if (checked) {
            gFull->checkAll();
        } else {
            gFull->uncheckAll();
        }
    }
}

void scrollAndPaint(benchmark::State& state, TTreeList& tree) {
    const std::int64_t page = tree.rowsRect().height();
    std::int64_t offset = 0;
    for (auto _ : state) {
        offset += page;
        if (offset > static_cast<std::int64_t>(tree.rowCount()) * 17) {
            offset = 0;
        }
        tree.setOffsetY(offset);
        tree.paintNow();
    }
}

void BM_ScrollAndPaintFull(benchmark::State& state) {
    scrollAndPaint(state, *gFull);
}

void BM_ScrollAndPaintSmall(benchmark::State& state) {
    scrollAndPaint(state, *gSmall);
}

BENCHMARK(BM_AddRowsToAVector)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(3);
BENCHMARK(BM_AddRows)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(3);
BENCHMARK(BM_ExpandAll)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_CollapseAll)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_CheckAll)->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(BM_ScrollAndPaintSmall)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ScrollAndPaintFull)->Unit(benchmark::kMicrosecond);

// Keeps the fastest run of each benchmark for the figures and ratios.
class TFastestReporter : public benchmark::ConsoleReporter {
public:
    std::map<std::string, double> fastest;
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            const std::string& name = run.run_name.function_name;
            // CPU time: the machine is shared, and every benchmark here runs on one thread.
            const double time = run.GetAdjustedCPUTime();
            if (run.run_type == Run::RT_Iteration && (fastest.count(name) == 0 || time < fastest[name])) {
                fastest[name] = time;
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }
};

} // namespace

int main(int argc, char** argv) {
    plat::headless::THeadlessBackend backend;
    plat::installControlBackend(&backend);

    // Memory: the texts alone, then the tree with the same texts.
    std::size_t textBytes = 0;
    {
        auto texts = std::make_unique<std::vector<std::wstring>>();
        texts->reserve(static_cast<std::size_t>(kRows) * 6);
        const std::size_t reserved = heapInUse();
        for (int f = 0; f < kFiles; ++f) {
            TRowRecord row;
            fillFile(row, f);
            for (std::wstring* text :
                 {&row.Column1, &row.Column2, &row.Column3, &row.Column4, &row.Column5, &row.Column6}) {
                texts->push_back(std::move(*text));
            }
            for (int s = 0; s < kStreamsPerFile; ++s) {
                TRowRecord stream;
                fillStream(stream, f, s);
                for (std::wstring* text : {&stream.Column1, &stream.Column2, &stream.Column3, &stream.Column4,
                                           &stream.Column5, &stream.Column6}) {
                    texts->push_back(std::move(*text));
                }
            }
        }
        textBytes = heapInUse() - reserved;
    }
    auto full = std::make_unique<TTreeList>();
    const std::size_t beforeTree = heapInUse();
    setUp(*full);
    fill(*full, kFiles);
    const std::size_t treeBytes = heapInUse() - beforeTree;
    full->setBounds(0, 0, 800, 600);
    full->createHandle();
    gFull = full.get();

    TTreeList small;
    setUp(small);
    fill(small, 1000 / (kStreamsPerFile + 1) + 1);
    small.setBounds(0, 0, 800, 600);
    small.createHandle();
    gSmall = &small;

    benchmark::Initialize(&argc, argv);
    TFastestReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    const auto ratio = [&](const char* name, const char* baseline) {
        const double base = reporter.fastest[baseline];
        return base > 0 ? reporter.fastest[name] / base : 0.0;
    };
    const double addMs = reporter.fastest["BM_AddRows"];
    const double rows = static_cast<double>(kRows);
    std::printf("\nTree of %d file rows with %d stream rows each (%lld rows):\n", kFiles, kStreamsPerFile,
                static_cast<long long>(kRows));
    std::printf("  rows added per second:             %.0f\n", addMs > 0 ? rows / (addMs / 1000.0) : 0.0);
    std::printf("  adding / appending to a vector:    %.2f\n", ratio("BM_AddRows", "BM_AddRowsToAVector"));
    std::printf("  heap per row beyond its texts:     %.1f bytes (of which the six-text record: %zu)\n",
                (static_cast<double>(treeBytes) - static_cast<double>(textBytes)) / rows, sizeof(TRowRecord));
    std::printf("  of which the tree's structure:     %.1f bytes (node, view, pool)\n",
                (static_cast<double>(treeBytes) - static_cast<double>(textBytes)) / rows -
                    static_cast<double>(sizeof(TRowRecord)));
    std::printf("  the tree's own bytes per row:      %.1f (node, record and view)\n",
                static_cast<double>(full->allocatedBytes()) / rows);
    std::printf("  expand all / collapse all / check all: %.1f / %.1f / %.1f ms\n",
                reporter.fastest["BM_ExpandAll"], reporter.fastest["BM_CollapseAll"],
                reporter.fastest["BM_CheckAll"]);
    std::printf("  scroll + paint of one screen:      %.0f us; / the same with 1,000 rows: %.2f\n",
                reporter.fastest["BM_ScrollAndPaintFull"] * 1.0,
                ratio("BM_ScrollAndPaintFull", "BM_ScrollAndPaintSmall"));
    full.reset();
    plat::installControlBackend(nullptr);
    return 0;
}
