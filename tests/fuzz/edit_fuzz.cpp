// The editing core driven as a user drives it: the commands of the service list, of the navigator
// and of their dialogs (with random values typed and picked), each edit a step of an edit session,
// with undo, redo and saves in between, on small flash images holding demo databases, opened from
// the user chunk or from the default chunk. After every command the region a save would write must
// open again into the same tree, with the list the editor shows for its current item; undo and redo
// must bring back exactly what a step found and left; at the end the image is saved, opened again,
// and every item must show the same list as in the edited document. The input is read as a
// sequence of commands and their values.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <iterator>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "database/chunk_chain.h"
#include "database/database_image.h"
#include "database/flash_image.h"
#include "demo/demo_image.h"
#include "document/document.h"
#include "document/user_image_builder.h"
#include "editing/session/channel_operations.h"
#include "editing/session/edit_session.h"
#include "editing/session/navigator_commands.h"
#include "editing/session/service_finder.h"
#include "fuzz/fuzz_target.h"
#include "fuzz/scratch_file.h"
#include "store/tree_item.h"
#include "support/flash_test_images.h"
#include "support/recording_prompts.h"
#include "util/silent_prompts.h"
#include "support/test_paths.h"
#include "util/file_reader.h"

namespace torvane::fuzz {

namespace {

// The commands; an input byte picks one modulo the count.
enum Command : std::uint8_t {
    kSelect, kFilter, kRow, kEdit, kInsert, kAppend, kDelete, kUp, kDown, kMoveTo, kSwitch, kFind, kFindNext,
    kSatelliteAdd, kSatelliteEdit, kTpAdd, kTpEdit, kTreeDelete, kTreeUp, kTreeDown, kTreeMove, kSave, kUndo, kRedo,
    kCommandCount
};

// How a dialog is closed; an input byte picks one modulo the count.
enum Closing : std::uint8_t { kOk, kCancel, kCloseBox, kResetThenOk, kClosingCount };

constexpr std::size_t kMaxCommands = 48;

// Texts the dialogs' edits are given besides texts taken from the input: numbers at the limits of
// the fields and of the dialogs' parsers, blanks, names that clash, Arabic and over-long names.
constexpr std::string_view kTexts[] = {
    "", "0", "1", "-1", "8191", "8192", "65535", "65536", "2147483647", "-2147483648", "4294967296", " 12 ",
    "12.5", "1e3", "256", "x", "New Channel", "New Satellite", "Astra 19.2E", "TP", "أخبار عاجلة",
    "ABCDEFGHIJKLMNOPQRSTUVWXYZ", "11778", "27500", "45000", "3000", "0.0", "180.1", "-0.5",
};

// What a demo image is opened from, and the project type that reads it.
struct Variant {
    ProjectType type;
    DatabaseChunk chunk;
    Input image;
};

// The input read front to back: a command is one byte, every value a 16-bit word (low byte
// first). Past the end every read gives 0.
class InputReader final {
public:
    explicit InputReader(std::span<const std::uint8_t> bytes) : m_bytes(bytes) {}

    bool AtEnd() const { return m_at >= m_bytes.size(); }
    std::uint8_t Byte() { return AtEnd() ? 0 : m_bytes[m_at++]; }
    std::uint16_t Word()
    {
        const std::uint8_t low = Byte();
        return static_cast<std::uint16_t>(low | Byte() << 8);
    }
    // A number in 0 … bound − 1 (0 for a bound of 0).
    int Below(int bound) { return bound <= 0 ? 0 : static_cast<int>(Word() % static_cast<unsigned>(bound)); }

    // A text for an edit: one of the fixed ones, or with the top bit set up to 63 bytes of the
    // input as they are.
    std::string Text()
    {
        const std::uint16_t choice = Word();
        if ((choice & 0x8000) == 0)
            return std::string(kTexts[choice % std::size(kTexts)]);
        const std::size_t left = m_bytes.size() - std::min(m_at, m_bytes.size());
        const std::size_t length = std::min<std::size_t>(choice & 0x3F, left);
        std::string text(reinterpret_cast<const char*>(m_bytes.data() + m_at), length);
        m_at += length;
        return text;
    }

private:
    std::span<const std::uint8_t> m_bytes;
    std::size_t m_at = 0;
};

const NodeSchema& SampleSchema()
{
    static const NodeSchema schema = [] {
        NodeSchema parsed;
        SilentPrompts prompts;
        Check(parsed.ParseTemplate(test::sourcePath("samples/template.h"), prompts),
              "the sample template did not parse");
        return parsed;
    }();
    return schema;
}

// A small flash image around a demo image's databases: the code chunk, the default chunk and the
// user chunk, each cut down to what it holds plus room for what the commands add, so that opening
// and saving take microseconds instead of walking two megabytes.
Input SmallImage(std::span<const std::uint8_t> demo, std::uint32_t userRoom)
{
    using L = DemoImageLayout;
    // The default area was zero before the database was written into it.
    const auto usedLength = [](std::span<const std::uint8_t> area) {
        const auto last = std::find_if(area.rbegin(), area.rend(), [](std::uint8_t b) { return b != 0; });
        return static_cast<std::size_t>(area.rend() - last);
    };
    const auto defaultArea =
        demo.subspan(L::kDefaultOffset + kChunkHeaderSize, L::kUserOffset - L::kDefaultOffset - kChunkHeaderSize);
    const auto userArea = demo.subspan(L::kUserOffset + kChunkHeaderSize, L::kUserRegionLength);
    const auto defaults = defaultArea.first(usedLength(defaultArea) + 0x800);
    const auto user = userArea.first(DatabaseImage().FindDataEnd(userArea) + userRoom);
    using test::TestChunk;
    const std::vector<TestChunk> chain = {
        TestChunk{.identifier = L::kCodeId, .extent = 0x100},
        TestChunk{.identifier = kDefaultChunkId,
                  .extent = static_cast<std::uint32_t>(kChunkHeaderSize + defaults.size()),
                  .data = Input(defaults.begin(), defaults.end())},
        TestChunk{.identifier = kUserChunkId, .extent = static_cast<std::uint32_t>(kChunkHeaderSize + user.size()),
                  .noCheck = true, .data = Input(user.begin(), user.end())},
    };
    std::size_t size = 0;
    for (const TestChunk& chunk : chain)
        size += chunk.extent;
    return test::BuildFlashImage(chain, size);
}

// Demo images of a few shapes (one with empty TPs, one whose user region has one word to spare:
// the save needs a byte beyond the last table header), for both project types and both chunks.
// Made once per process.
const std::vector<Variant>& Variants()
{
    static const std::vector<Variant> variants = [] {
        struct Shape {
            DemoImageOptions options;
            std::uint32_t userRoom;
        };
        const Shape shapes[] = {
            {DemoImageOptions{.satellites = 2, .tpsPerSatellite = 2, .programs = 12, .seed = 7}, 0x1000},
            {DemoImageOptions{.satellites = 3, .tpsPerSatellite = 3, .programs = 40, .seed = 11}, 0x400},
            {DemoImageOptions{.satellites = 2, .tpsPerSatellite = 1, .programs = 0, .seed = 13}, 0x800},
            {DemoImageOptions{.satellites = 1, .tpsPerSatellite = 2, .programs = 5, .seed = 17}, 4},
        };
        const ScratchFile file("torvane-edit-fuzz-demo");
        SilentPrompts prompts;
        std::vector<Variant> made;
        for (const ProjectType type : {ProjectType::ZUV_DVBS_V1, ProjectType::ZUV_DVBS_V4}) {
            for (const Shape& shape : shapes) {
                Check(WriteDemoImage(file.Path(), SampleSchema(), type, shape.options, prompts),
                      "a demo image could not be written");
                const std::optional<std::vector<std::uint8_t>> demo = ReadFileBytes(file.Path());
                Check(demo && demo->size() == DemoImageLayout::kImageSize, "a demo image could not be read");
                const Input image = SmallImage(*demo, shape.userRoom);
                for (const DatabaseChunk chunk : {DatabaseChunk::User, DatabaseChunk::Default})
                    made.push_back(Variant{type, chunk, image});
            }
        }
        return made;
    }();
    return variants;
}

// A document of the sample template with a demo image open, as torvane-cli edit opens one.
std::unique_ptr<Document> OpenDocument(const Variant& variant, const std::string& path, UserPrompts& prompts)
{
    auto document = std::make_unique<Document>(prompts, variant.type);
    document->Schema() = SampleSchema();
    document->List().SetupColumns(NodeKind::Program);
    const bool opened = variant.chunk == DatabaseChunk::User ? document->OpenUserDatabase(path)
                                                             : document->OpenDefaultDatabase(path);
    return opened ? std::move(document) : nullptr;
}

// Every item of the tree in navigator order.
std::vector<TreeItem*> TreeItems(const ChannelTree& tree)
{
    std::vector<TreeItem*> items;
    const auto visit = [&items](auto& self, TreeItem* item) -> void {
        items.push_back(item);
        for (int i = 0; i < item->ChildCount(); ++i)
            self(self, item->Child(i));
    };
    for (int i = 0; i < tree.TopLevelCount(); ++i)
        visit(visit, tree.TopLevel(i));
    return items;
}

// The tree as the navigator shows it: one line per item, its depth, kind and text.
std::string TreeText(const ChannelTree& tree)
{
    std::string text;
    for (const TreeItem* item : TreeItems(tree)) {
        int depth = 0;
        for (const TreeItem* up = item->Parent(); up; up = up->Parent())
            ++depth;
        const int kind = item->Info() ? static_cast<int>(item->Info()->treeKind) : -1;
        text += std::to_string(depth) + " " + std::to_string(kind) + " " + item->Label() + "\n";
    }
    return text;
}

// The item at the same place of another tree of the same shape.
TreeItem* SamePlace(const TreeItem* item, const ChannelTree& other)
{
    if (!item)
        return nullptr;
    if (!item->Parent())
        return other.TopLevel(item->Row());
    TreeItem* parent = SamePlace(item->Parent(), other);
    return parent ? parent->Child(item->Row()) : nullptr;
}

// A region opened as the editor opens a user database.
class OpenedRegion final {
public:
    explicit OpenedRegion(std::span<const std::uint8_t> region)
        : m_store(SampleSchema(), m_image, m_prompts), m_list(m_store)
    {
        m_list.SetupColumns(NodeKind::Program);
        m_opened = m_image.parserdb(region, m_prompts) == 0 && m_store.Rearrage(true);
        if (m_opened)
            m_store.BuildTreeFromImage();
    }

    bool IsOpen() const { return m_opened; }
    NodeStore& Store() { return m_store; }
    ServiceList& List() { return m_list; }

private:
    SilentPrompts m_prompts;
    DatabaseImage m_image;
    NodeStore m_store;
    ServiceList m_list;
    bool m_opened = false;
};

// What the list shows for the item at the same place as item of another tree, with a filter.
std::string ListTextAt(NodeStore& store, ServiceList& list, const TreeItem* item, ServiceFilter filter)
{
    list.SetFilter(filter);
    list.ShowList(SamePlace(item, store.Tree()));
    return list.Text();
}

// The region a save would write must open into the tree the navigator shows, and the current
// item must show there the list the editor shows now.
void CheckBuiltRegion(Document& document)
{
    Input region(document.Image().Length(), 0xFF);
    // A database that outgrew its region is refused by the save, with its message.
    if (UserImageBuilder(document.Store()).CreateUserDataImage(region) != 0)
        return;
    OpenedRegion opened(region);
    Check(opened.IsOpen(), "a built region does not open");
    Check(TreeText(opened.Store().Tree()) == TreeText(document.Store().Tree()),
          "a built region opens into another tree");
    const ServiceList& list = document.List();
    Check(ListTextAt(opened.Store(), opened.List(), list.CurrentItem(), list.Filter()) == list.Text(),
          "a built region shows another list for the current item");
}

// Save, then the saved image opened again: the same tree, and every item the same list. A save
// that fails must leave the file as it was.
void CheckSaveAndReopen(const Variant& variant, Document& document, const std::string& path,
                        test::RecordingPrompts& prompts)
{
    const std::optional<std::vector<std::uint8_t>> before = ReadFileBytes(path);
    const std::size_t messages = prompts.messages.size();
    const SaveResult saved = document.Save();
    // A save that failed, or that would have cut the database and was not agreed to, leaves the file.
    if (saved == SaveResult::Failed || document.RefusedCut()) {
        Check(ReadFileBytes(path) == before, "a failed or refused save changed the file");
        return;
    }
    // A save that said something (a database cut to fit its area) is not held to the round trip.
    if (prompts.messages.size() != messages)
        return;
    SilentPrompts quiet;
    const std::unique_ptr<Document> reopened = OpenDocument(variant, path, quiet);
    Check(reopened != nullptr, "a saved image does not open");
    Check(TreeText(reopened->Store().Tree()) == TreeText(document.Store().Tree()),
          "a saved image opens into another tree");
    // The filters only leave rows out, by a column the lists show.
    for (const TreeItem* item : TreeItems(document.Store().Tree())) {
        Check(ListTextAt(reopened->Store(), reopened->List(), item, ServiceFilter::TvAndRadio)
                  == ListTextAt(document.Store(), document.List(), item, ServiceFilter::TvAndRadio),
              "a saved image shows another list for an item");
    }
}

// What a step of the edit session changes and what its undo and redo must bring back: the region a
// save would write, the tree, the item shown (its place) and its list with the row selected.
struct Snapshot {
    Input region;
    std::string tree;
    int currentItem = -1;
    std::string list;
    ServiceFilter filter = ServiceFilter::TvAndRadio;
    int selectedRow = -1;
};

Snapshot TakeSnapshot(Document& document)
{
    Snapshot taken;
    NodeStore& store = document.Store();
    taken.region.assign(document.Image().Length(), 0xFF);
    if (UserImageBuilder(store).CreateUserDataImage(taken.region) != 0)
        taken.region.clear();
    taken.tree = TreeText(store.Tree());
    taken.currentItem = store.Tree().IndexOf(document.List().CurrentItem());
    taken.list = document.List().Text();
    taken.filter = document.List().Filter();
    taken.selectedRow = document.List().SelectedRow();
    return taken;
}

// The filter is no part of a step: a list shown under another filter since, and its row numbers,
// are not compared.
bool SameState(const Snapshot& now, const Snapshot& then)
{
    return now.region == then.region && now.tree == then.tree && now.currentItem == then.currentItem
        && (now.filter != then.filter || (now.list == then.list && now.selectedRow == then.selectedRow));
}

// The commands of torvane-cli edit through an edit session, each given its item, rows and dialog
// values by the input, every edit one step; undo and redo are checked against what each step
// found and left.
class Editor final {
public:
    Editor(Document& document, InputReader& in)
        : m_document(document), m_store(document.Store()), m_list(document.List()), m_in(in), m_session(document)
    {
    }

    void Run(Command command)
    {
        switch (command) {
        case kSelect:
            m_session.SelectItem(AnyItem());
            break;
        case kFilter: {
            constexpr ServiceFilter kFilters[] = {ServiceFilter::TvAndRadio, ServiceFilter::Tv, ServiceFilter::Radio};
            m_list.SetServiceFilter(kFilters[m_in.Below(3)]);
            break;
        }
        case kRow:
            m_list.SelectRow(m_in.Below(m_list.RowCount() + 1) - 1);
            break;
        case kFind:
            Find();
            break;
        case kFindNext:
            m_session.Finder().FindNextService(m_list);
            break;
        case kUndo:
            Undo();
            break;
        case kRedo:
            Redo();
            break;
        case kSave:
            // A save marks the clean point of the history.
            if (m_document.Save() == SaveResult::Saved)
                m_session.SetClean();
            break;
        default:
            Step(command);
            break;
        }
    }

private:
    // An edit as one step of the session, remembered with the states before and after it.
    void Step(Command command)
    {
        Snapshot before = TakeSnapshot(m_document);
        if (!m_session.Execute("step", [this, command] { Edit(command); }))
            return;
        m_steps.resize(m_done);
        m_steps.push_back({std::move(before), TakeSnapshot(m_document)});
        ++m_done;
    }

    void Undo()
    {
        if (!m_session.CanUndo())
            return;
        Check(m_done > 0, "the session undoes more steps than were made");
        m_session.Undo();
        --m_done;
        Check(SameState(TakeSnapshot(m_document), m_steps[m_done].before),
              "undo does not bring back the state before the step");
    }

    void Redo()
    {
        if (!m_session.CanRedo())
            return;
        Check(m_done < m_steps.size(), "the session redoes a step that was not made");
        m_session.Redo();
        Check(SameState(TakeSnapshot(m_document), m_steps[m_done].after),
              "redo does not bring back the state after the step");
        ++m_done;
    }

    void Edit(Command command)
    {
        ChannelOperations& channels = m_session.Operations();
        switch (command) {
        case kEdit:
        case kInsert:
        case kAppend:
            Program(command);
            break;
        case kDelete:
            Delete();
            break;
        case kUp:
            channels.MoveUp();
            break;
        case kDown:
            channels.MoveDown();
            break;
        case kMoveTo:
            if (channels.BeginMoveTo())
                channels.MoveTo(m_in.Below(m_list.RowCount() + 2));
            break;
        case kSwitch:
            if (channels.BeginSwitch())
                channels.SwitchWith(m_in.Below(m_list.RowCount() + 2));
            break;
        case kSatelliteAdd:
        case kSatelliteEdit:
        case kTpAdd:
        case kTpEdit:
            TreeDialog(command);
            break;
        default:
            TreeMove(command);
            break;
        }
    }

    TreeItem* AnyItem()
    {
        const std::vector<TreeItem*> items = TreeItems(m_store.Tree());
        return items.empty() ? nullptr : items[static_cast<std::size_t>(m_in.Below(static_cast<int>(items.size())))];
    }

    // A few controls changed in the input's order, then the dialog closed as the input says.
    template <typename Form, typename Control>
    void Fill(Form& form, std::size_t controls)
    {
        for (int changes = m_in.Below(6); changes > 0; --changes) {
            const auto control = static_cast<Control>(m_in.Below(static_cast<int>(controls)));
            if (!form.IsEnabled(control))
                continue;
            if (Form::IsList(control)) {
                // A user can pick another row of a drop-down list, but not leave it with none.
                const int rows = static_cast<int>(form.Choices(control).size());
                if (rows > 0)
                    form.Select(control, m_in.Below(rows));
            } else {
                form.EditText(control, m_in.Text());
            }
        }
        switch (m_in.Below(kClosingCount)) {
        case kCancel:
            form.Cancel();
            break;
        case kCloseBox:
            form.CloseBox();
            break;
        case kResetThenOk:
            form.Reset();
            [[fallthrough]];
        default:
            // A refused OK leaves the dialog open; the user then cancels it.
            if (!form.Ok())
                form.Cancel();
            break;
        }
    }

    void Program(Command command)
    {
        ChannelOperations& channels = m_session.Operations();
        std::unique_ptr<ProgramForm> form = command == kEdit ? channels.BeginEdit()
            : command == kInsert                             ? channels.BeginInsert()
                                                             : channels.BeginAppend();
        if (!form)
            return;
        Fill<ProgramForm, ProgramControl>(*form, kProgramControlCount);
        channels.Finish(*form);
    }

    void Delete()
    {
        std::vector<int> rows;
        for (int count = m_in.Below(4); count > 0 && m_list.RowCount() > 0; --count)
            rows.push_back(m_in.Below(m_list.RowCount()));
        if (rows.empty() && m_list.SelectedRow() >= 0)
            rows.push_back(m_list.SelectedRow());
        m_session.Operations().Delete(rows);
    }

    // A name of the list, cut or in other letter case, or any text.
    void Find()
    {
        FindRequest request{m_in.Text(), m_in.Below(2) == 1};
        if (m_list.RowCount() > 0 && m_in.Below(2) == 0) {
            const std::vector<std::string>& cells = m_list.Cells(m_in.Below(m_list.RowCount()));
            if (!cells.empty())
                request.text = cells[0].substr(0, static_cast<std::size_t>(m_in.Below(12)));
        }
        m_session.Finder().FindService(m_list, request);
    }

    // The navigator's dialogs act on the item a right click selects first.
    void TreeDialog(Command command)
    {
        TreeItem* item = AnyItem();
        m_session.SelectItem(item);
        NavigatorCommands& navigator = m_session.Navigator();
        const bool add = command == kSatelliteAdd || command == kTpAdd;
        std::unique_ptr<NavigatorDialog> dialog = add ? navigator.BeginAdd(item) : navigator.BeginEdit(item);
        if (!dialog)
            return;
        if (SatelliteForm* satellite = dialog->Satellite())
            Fill<SatelliteForm, SatelliteControl>(*satellite, kSatelliteControlCount);
        else
            Fill<TpForm, TpControl>(*dialog->Tp(), kTpControlCount);
        navigator.Finish(*dialog);
    }

    void TreeMove(Command command)
    {
        TreeItem* item = AnyItem();
        m_session.SelectItem(item);
        NavigatorCommands& navigator = m_session.Navigator();
        switch (command) {
        case kTreeDelete:
            m_session.DeleteItem(item);
            break;
        case kTreeUp:
            navigator.MoveUp(item);
            break;
        case kTreeDown:
            navigator.MoveDown(item);
            break;
        default:
            if (item && item->Parent() && navigator.BeginMoveTo(item))
                navigator.MoveTo(item, static_cast<std::uint32_t>(m_in.Below(item->Parent()->ChildCount() + 2)));
            break;
        }
    }

    struct StepStates {
        Snapshot before;
        Snapshot after;
    };

    Document& m_document;
    NodeStore& m_store;
    ServiceList& m_list;
    InputReader& m_in;
    EditSession m_session;
    std::vector<StepStates> m_steps;  // the steps made, in order; the first m_done are done
    std::size_t m_done = 0;
};

// An input: the variant's index, then commands, each a command byte followed by its values.
Input Script(std::uint8_t variant, std::initializer_list<std::initializer_list<int>> commands)
{
    Input bytes{variant};
    for (const std::initializer_list<int>& command : commands) {
        bytes.push_back(static_cast<std::uint8_t>(*command.begin()));
        for (auto value = command.begin() + 1; value != command.end(); ++value) {
            bytes.push_back(static_cast<std::uint8_t>(*value));
            bytes.push_back(static_cast<std::uint8_t>(*value >> 8));
        }
    }
    return bytes;
}

} // namespace

// Short sessions that reach every command: selecting a TP and a row, editing the program, inserting
// and appending ones, deleting, moving, finding, adding and editing satellites and TPs, moving and
// deleting tree items, undoing, redoing and saving in between, on several of the variants.
std::vector<Input> Seeds()
{
    // Variants: 0 … 7 of ZUV_DVBS_V1, 8 … 15 of ZUV_DVBS_V4, each shape from the user chunk, then
    // from the default chunk. Items of the first shape: 0 "All Services", 1 "Satellite
    // Information", 2 a satellite, 3 and 4 its TPs. A list's value is its row.
    constexpr int kName = 0;
    return {
        Script(0, {{kSelect, 3}, {kRow, 1}, {kEdit, 2, kName, 17, 1, 0, kOk}, {kSave}}),
        Script(1, {{kSelect, 4}, {kInsert, 1, kName, 19, kOk}, {kAppend, 0, kOk}, {kSave}}),
        Script(2, {{kSelect, 0}, {kRow, 2}, {kDelete, 2, 0, 3}, {kUp}, {kDown}, {kMoveTo, 1}}),
        Script(3, {{kSelect, 0}, {kRow, 3}, {kSwitch, 1}, {kFind, 18, 0, 0, 0, 5}, {kFindNext}}),
        Script(4, {{kSatelliteAdd, 1, 1, kName, 20, kOk}, {kTpAdd, 2, 2, 1, 21, 3, 22, kOk}, {kSave}}),
        Script(5, {{kSatelliteEdit, 2, 1, 4, 2, kOk}, {kTpEdit, 3, 1, 2, 1, kOk}}),
        Script(6, {{kTreeUp, 3}, {kTreeDown, 2}, {kTreeMove, 3, 1}, {kTreeDelete, 3}, {kSave}}),
        Script(7, {{kFilter, 1}, {kSelect, 0}, {kRow, 1}, {kEdit, 1, 1, 0, kOk}, {kSave}}),
        Script(9, {{kSelect, 3}, {kAppend, 1, kName, 15, kOk}, {kTreeDelete, 2}, {kSave}}),
        Script(10, {{kSelect, 3}, {kRow, 1}, {kEdit, 1, kName, 17, kCancel}, {kEdit, 1, kName, 17, kCloseBox},
                    {kEdit, 1, kName, 17, kResetThenOk}}),
        Script(14, {{kSelect, 4}, {kInsert, 0, kOk}, {kInsert, 0, kOk}, {kSave}}),
        Script(0, {{kSelect, 3}, {kRow, 1}, {kEdit, 1, kName, 17, kOk}, {kUndo}, {kRedo}, {kSave}, {kUndo}}),
        Script(2, {{kTreeDelete, 3}, {kSelect, 0}, {kRow, 1}, {kDelete, 0}, {kUndo}, {kUndo}, {kRedo}, {kRedo}}),
    };
}

} // namespace torvane::fuzz

// libFuzzer's hook before the first input: the demo images take seconds to make, which must not
// count against the first input's time-out. The replay program makes them on first use.
extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    (void)torvane::fuzz::Variants();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace torvane;
    static const fuzz::ScratchFile file("torvane-edit-fuzz");
    const std::vector<fuzz::Variant>& variants = fuzz::Variants();
    fuzz::InputReader in(std::span(data, size));
    const fuzz::Variant& variant = variants[in.Byte() % variants.size()];
    fuzz::Check(file.Write(variant.image), "the scratch file could not be written");

    test::RecordingPrompts prompts;
    const std::unique_ptr<Document> document = fuzz::OpenDocument(variant, file.Path(), prompts);
    fuzz::Check(document != nullptr, "a demo image does not open");
    fuzz::Editor editor(*document, in);
    for (std::size_t step = 0; step < fuzz::kMaxCommands && !in.AtEnd(); ++step) {
        editor.Run(static_cast<fuzz::Command>(in.Byte() % fuzz::kCommandCount));
        fuzz::CheckBuiltRegion(*document);
    }
    // Saved even when the last command changed nothing, so that a save in between that cut the
    // database cannot stand for the end state.
    document->Store().SetModified(true);
    fuzz::CheckSaveAndReopen(variant, *document, file.Path(), prompts);
    return 0;
}
