// The editor window on a full demo image (3,500 services), Qt's offscreen platform: start to the
// window shown with its list painted, and each edit from its key press to the views repainted,
// with its undo. The resident memory with the image open is reported as a counter. The commands
// that organise many services run on 3,990 services, as many as the sample template's user
// region holds (4,000 do not fit).

#include <cstdio>
#include <fstream>
#include <memory>
#include <string>

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QTemporaryDir>
#include <QTest>
#include <QUndoStack>

#include "demo/demo_image.h"
#include "document/document.h"
#include "gui/scripted_dialogs.h"
#include "schema/node_schema.h"
#include "store/tree_item.h"
#include "util/silent_prompts.h"
#include "ui/main_window.h"
#include "editing/forms/set_for_selected_form.h"
#include "ui/views/navigator_view.h"
#include "ui/views/service_filter_box.h"
#include "ui/views/service_list_view.h"

namespace torvane {
namespace {

constexpr DemoImageOptions kFullImage{8, 16, 3500, 1};
constexpr DemoImageOptions kLargeImage{2, 4, 3990, 1};

// A configuration folder with script.ini and a full demo image, made once.
class Workspace final {
public:
    explicit Workspace(const DemoImageOptions& image)
    {
        NodeSchema schema;
        ProjectConfig config(Folder());
        m_ready = schema.ParseTemplate(TORVANE_SAMPLE_TEMPLATE, m_prompts)
            && config.SaveCompiledTemplate(schema, m_prompts) == SaveTemplateResult::Saved
            && WriteDemoImage(ImagePath(), schema, ProjectType::ZUV_DVBS_V4, image, m_prompts);
    }

    bool IsReady() const { return m_ready; }
    std::string Folder() const { return m_folder.path().toStdString() + "/"; }
    std::string ImagePath() const { return Folder() + "demo.bin"; }

    // A window on the folder with the image's user database open.
    std::unique_ptr<MainWindow> OpenWindow(test::ScriptedDialogs& dialogs)
    {
        auto window = std::make_unique<MainWindow>(ProjectConfig(Folder()), &m_prompts, &dialogs);
        window->LoadConfiguration(ProjectType::ZUV_DVBS_V4);
        window->OpenPath(ImagePath(), ChunkChoice{false, true});
        window->resize(1000, 700);
        window->show();
        return window;
    }

private:
    QTemporaryDir m_folder;
    SilentPrompts m_prompts;
    bool m_ready = false;
};

Workspace& SharedWorkspace()
{
    static Workspace workspace(kFullImage);
    return workspace;
}

Workspace& LargeWorkspace()
{
    static Workspace workspace(kLargeImage);
    return workspace;
}

// Runs what the edit left queued: the views' delayed layouts and the paint of what changed.
void Repaint(MainWindow&)
{
    QApplication::processEvents();
}

long ResidentKilobytes()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0)
            return std::stol(line.substr(6));
    }
    return -1;
}

void SelectRows(ServiceListView& list, int first, int count)
{
    list.selectionModel()->select(QItemSelection(list.model()->index(first, 0), list.model()->index(first + count - 1, 0)),
                                  QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

void BM_StartToListPainted(benchmark::State& state)
{
    Workspace& workspace = SharedWorkspace();
    test::ScriptedDialogs dialogs;
    for (auto _ : state) {
        std::unique_ptr<MainWindow> window = workspace.OpenWindow(dialogs);
        Repaint(*window);
        state.PauseTiming();
        window.reset();
        QApplication::processEvents();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_StartToListPainted)->Unit(benchmark::kMillisecond);

void BM_ResidentMemoryWithImageOpen(benchmark::State& state)
{
    Workspace& workspace = SharedWorkspace();
    test::ScriptedDialogs dialogs;
    std::unique_ptr<MainWindow> window = workspace.OpenWindow(dialogs);
    Repaint(*window);
    for (auto _ : state)
        benchmark::DoNotOptimize(window->GetDocument().List().RowCount());
    state.counters["services"] = window->GetDocument().List().RowCount();
    state.counters["resident_MB"] = static_cast<double>(ResidentKilobytes()) / 1024.0;
}
BENCHMARK(BM_ResidentMemoryWithImageOpen)->Iterations(1);

// Each iteration presses the key of an edit on the "All Services" list (timed, up to the views
// repainted) and then Ctrl+Z (timed in the undo benchmarks, here untimed), so that every round
// starts from the same document.
enum class Edit { EditName, Delete50, MoveDown, SortByName, SetFavorite1000 };

void PressEdit(MainWindow& window, test::ScriptedDialogs& dialogs, Edit edit)
{
    ServiceListView& list = *window.List();
    switch (edit) {
    case Edit::EditName:
        SelectRows(list, 1000, 1);
        dialogs.programSteps.push_back([](ProgramForm& form) {
            form.EditText(ProgramControl::Name, form.Text(ProgramControl::Name) == "Bench" ? "Mark" : "Bench");
            return form.Ok();
        });
        QTest::keyClick(&list, Qt::Key_Return);
        break;
    case Edit::Delete50:
        SelectRows(list, 1000, 50);
        QTest::keyClick(&list, Qt::Key_Delete);
        break;
    case Edit::MoveDown:
        SelectRows(list, 1000, 1);
        QTest::keyClick(&list, Qt::Key_Plus, Qt::KeypadModifier);
        break;
    case Edit::SortByName:
        window.Action(WindowCommand::SortByName)->trigger();
        break;
    case Edit::SetFavorite1000:
        SelectRows(list, 1000, 1000);
        dialogs.setForSelectedSteps.push_back([](SetForSelectedForm& form) {
            form.Select(SetForSelectedControl::Favorite, 9);  // "Favorite Group 8"
            return form.Ok();
        });
        QTest::keyClick(&list, Qt::Key_E, Qt::ControlModifier);
        break;
    }
}

void RunEditBenchmark(benchmark::State& state, Edit edit, bool timeUndo)
{
    Workspace& workspace = edit == Edit::SortByName || edit == Edit::SetFavorite1000 ? LargeWorkspace() : SharedWorkspace();
    test::ScriptedDialogs dialogs;
    std::unique_ptr<MainWindow> window = workspace.OpenWindow(dialogs);
    Repaint(*window);
    for (auto _ : state) {
        if (timeUndo)
            state.PauseTiming();
        PressEdit(*window, dialogs, edit);
        Repaint(*window);
        if (timeUndo)
            state.ResumeTiming();
        else
            state.PauseTiming();
        QTest::keyClick(window->List(), Qt::Key_Z, Qt::ControlModifier);
        Repaint(*window);
        if (!timeUndo)
            state.ResumeTiming();
    }
    if (window->UndoStack()->count() == 0)
        state.SkipWithError("the edit left no undo step");
}

void BM_EditChannel(benchmark::State& state) { RunEditBenchmark(state, Edit::EditName, false); }
void BM_EditChannelUndo(benchmark::State& state) { RunEditBenchmark(state, Edit::EditName, true); }
void BM_Delete50Channels(benchmark::State& state) { RunEditBenchmark(state, Edit::Delete50, false); }
void BM_Delete50ChannelsUndo(benchmark::State& state) { RunEditBenchmark(state, Edit::Delete50, true); }
void BM_MoveDown(benchmark::State& state) { RunEditBenchmark(state, Edit::MoveDown, false); }
void BM_MoveDownUndo(benchmark::State& state) { RunEditBenchmark(state, Edit::MoveDown, true); }
BENCHMARK(BM_EditChannel)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EditChannelUndo)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Delete50Channels)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Delete50ChannelsUndo)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MoveDown)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MoveDownUndo)->Unit(benchmark::kMillisecond);

// On 3,990 services ("All Services"): Edit → Sort → By Name and its undo, "Set for Selected..."
// on 1,000 rows, a key typed into the filter box, Find Duplicates; each up to the views repainted.
void BM_SortAllByName(benchmark::State& state) { RunEditBenchmark(state, Edit::SortByName, false); }
void BM_SortAllByNameUndo(benchmark::State& state) { RunEditBenchmark(state, Edit::SortByName, true); }
void BM_SetForSelected1000(benchmark::State& state) { RunEditBenchmark(state, Edit::SetFavorite1000, false); }
BENCHMARK(BM_SortAllByName)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SortAllByNameUndo)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SetForSelected1000)->Unit(benchmark::kMillisecond);

void BM_FilterKeystroke(benchmark::State& state)
{
    test::ScriptedDialogs dialogs;
    std::unique_ptr<MainWindow> window = LargeWorkspace().OpenWindow(dialogs);
    Repaint(*window);
    // The first key typed into the empty box hides most rows, the heaviest change of the shown rows.
    QLineEdit& filter = *window->FilterBox();
    for (auto _ : state) {
        QTest::keyClick(&filter, Qt::Key_7);
        Repaint(*window);
        state.PauseTiming();
        QTest::keyClick(&filter, Qt::Key_Backspace);
        Repaint(*window);
        state.ResumeTiming();
    }
    state.counters["services"] = window->GetDocument().List().RowCount();
    int shown = 0;
    filter.setText(QStringLiteral("7"));
    for (int row = 0; row < window->GetDocument().List().RowCount(); ++row)
        shown += window->List()->isRowHidden(row) ? 0 : 1;
    state.counters["shown"] = shown;
}
BENCHMARK(BM_FilterKeystroke)->Unit(benchmark::kMillisecond);

void BM_FindDuplicates(benchmark::State& state)
{
    test::ScriptedDialogs dialogs;
    std::unique_ptr<MainWindow> window = LargeWorkspace().OpenWindow(dialogs);
    Repaint(*window);
    for (auto _ : state) {
        window->Action(WindowCommand::FindDuplicates)->trigger();
        Repaint(*window);
    }
}
BENCHMARK(BM_FindDuplicates)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace torvane

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("TorvaneBench"));
    benchmark::Initialize(&argc, argv);
    if (!torvane::SharedWorkspace().IsReady() || !torvane::LargeWorkspace().IsReady()) {
        std::fprintf(stderr, "window_bench: the demo image could not be made\n");
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
