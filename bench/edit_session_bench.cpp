// Each kind of edit on a demo of 3,000 services (8 satellites, 25 TPs each, 15 programs per TP),
// its undo and its redo, through the edit session as the window drives it. The time is taken
// from the call to the last change told to the tree's and the list's observers (what a view waits
// for before it repaints); the counter call_ms is the whole call, the undo capture included.

#include <chrono>
#include <optional>
#include <string>

#include <benchmark/benchmark.h>

#include "store/channel_tree_observer.h"
#include "store/service_list_observer.h"
#include "support/demo_database.h"
#include "support/session_editor.h"

namespace torvane {
namespace {

using Clock = std::chrono::steady_clock;

constexpr test::DemoOptions kFullRegion{8, 25, 15, 0xA0000};

// The time of the last notification of a tree and a list.
class LastNotification final : public ChannelTreeObserver, public ServiceListObserver {
public:
    LastNotification(ChannelTree& tree, ServiceList& list) : m_tree(tree), m_list(list)
    {
        m_tree.AddObserver(this);
        m_list.AddObserver(this);
    }
    ~LastNotification() override
    {
        m_tree.RemoveObserver(this);
        m_list.RemoveObserver(this);
    }
    LastNotification(const LastNotification&) = delete;
    LastNotification& operator=(const LastNotification&) = delete;

    void Forget() { m_last.reset(); }
    std::optional<Clock::time_point> Last() const { return m_last; }

    void ItemsAboutToBeInserted(const TreeItem*, int, int) override { Mark(); }
    void ItemsInserted(const TreeItem*, int, int) override { Mark(); }
    void ItemsAboutToBeRemoved(const TreeItem*, int, int) override { Mark(); }
    void ItemsRemoved(const TreeItem*, int, int) override { Mark(); }
    void ItemsAboutToBeMoved(const TreeItem*, int, int, int) override { Mark(); }
    void ItemsMoved(const TreeItem*, int, int, int) override { Mark(); }
    void ItemChanged(const TreeItem*) override { Mark(); }
    void RowsAboutToBeInserted(int, int) override { Mark(); }
    void RowsInserted(int, int) override { Mark(); }
    void RowsAboutToBeRemoved(int, int) override { Mark(); }
    void RowsRemoved(int, int) override { Mark(); }
    void RowsAboutToBeMoved(int, int, int) override { Mark(); }
    void RowsMoved(int, int, int) override { Mark(); }
    void RowsChanged(int, int) override { Mark(); }
    void SelectionChanged() override { Mark(); }
    // Both the tree's and the list's.
    void AboutToBeReset() override { Mark(); }
    void WasReset() override { Mark(); }

private:
    void Mark() { m_last = Clock::now(); }

    ChannelTree& m_tree;
    ServiceList& m_list;
    std::optional<Clock::time_point> m_last;
};

enum class Phase { Command, Undo, Redo };

void BM_Edit(benchmark::State& state, const test::EditCommandCase* edit, Phase phase)
{
    test::DemoDatabase demo(kFullRegion);
    if (!demo.IsReady()) {
        state.SkipWithError("the demo could not be made");
        return;
    }
    Document& document = demo.GetDocument();
    document.List().SetupColumns(NodeKind::Program);
    EditSession session(document);
    test::SessionEditor editor(session);
    LastNotification last(document.Store().Tree(), document.List());
    double callSeconds = 0;

    const auto timed = [&](const auto& call) {
        last.Forget();
        const Clock::time_point start = Clock::now();
        call();
        const Clock::time_point end = Clock::now();
        state.SetIterationTime(std::chrono::duration<double>(last.Last().value_or(end) - start).count());
        callSeconds += std::chrono::duration<double>(end - start).count();
    };
    bool committed = false;
    const auto command = [&] {
        committed = session.Execute(edit->name, [&] { committed = edit->command(editor); }) && committed;
    };
    for (auto _ : state) {
        edit->prepare(editor);
        phase == Phase::Command ? timed(command) : command();
        if (!committed) {
            state.SkipWithError("the edit changed nothing");
            return;
        }
        phase == Phase::Undo ? timed([&] { session.Undo(); }) : session.Undo();
        if (phase == Phase::Redo) {
            timed([&] { session.Redo(); });
            session.Undo();
        }
    }
    state.counters["call_ms"] = benchmark::Counter(callSeconds * 1000, benchmark::Counter::kAvgIterations);
}

} // namespace
} // namespace torvane

int main(int argc, char** argv)
{
    using torvane::Phase;
    benchmark::Initialize(&argc, argv);
    for (const torvane::test::EditCommandCase& edit : torvane::test::EveryEditCommand()) {
        for (const auto& [phase, suffix] : {std::pair{Phase::Command, "command"}, std::pair{Phase::Undo, "undo"},
                                            std::pair{Phase::Redo, "redo"}}) {
            benchmark::RegisterBenchmark((std::string("BM_Edit/") + edit.name + "/" + suffix).c_str(), torvane::BM_Edit,
                                         &edit, phase)
                ->UseManualTime()
                ->Unit(benchmark::kMillisecond);
        }
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
