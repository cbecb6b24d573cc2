#include <algorithm>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "cli/cli_document.h"
#include "cli/enigma2_commands.h"
#include "cli/list_edit_lines.h"
#include "cli/table_import.h"
#include "editing/forms/set_for_selected_form.h"
#include "editing/organise/duplicate_finder.h"
#include "editing/organise/service_sort.h"
#include "editing/session/edit_session.h"
#include "store/tree_item.h"
#include "util/file_name.h"

// torvane-cli edit FILE SCRIPT [--chunk user|default] [--allow-cut]
//
// Applies the editing commands of SCRIPT, one a line, to the database of FILE as the editor's
// menus, keys and dialogs would, each edit one step of an edit session that "undo" and "redo"
// lines walk back and forth, and writes the database back into FILE when it changed. A line
// that cannot be carried out ends the run before anything is written.

namespace torvane {
namespace {

using Words = std::vector<std::string>;

// The words of a script line: blank-separated, a double-quoted word may hold blanks, '#' starts a
// comment outside quotes. False for an unterminated quote.
bool SplitWords(const std::string& line, Words& words)
{
    std::string word;
    bool inWord = false;
    bool quoted = false;
    for (char c : line) {
        if (quoted) {
            if (c == '"')
                quoted = false;
            else
                word += c;
            continue;
        }
        if (c == '#')
            break;
        if (c == '"') {
            quoted = true;
            inWord = true;
        } else if (c == ' ' || c == '\t' || c == '\r') {
            if (inWord)
                words.push_back(word);
            word.clear();
            inWord = false;
        } else {
            word += c;
            inWord = true;
        }
    }
    if (inWord)
        words.push_back(word);
    return !quoted;
}

std::optional<int> WholeNumber(const std::string& text)
{
    if (text.empty() || text.size() > 9 || text.find_first_not_of("0123456789") != std::string::npos)
        return std::nullopt;
    return std::stoi(text);
}

class EditScript final {
public:
    EditScript(CliContext& context, Document& document)
        : m_context(context), m_document(document), m_store(document.Store()), m_list(document.List()),
          m_session(document)
    {
    }

    // Runs every line; false (with the reason said) at the first line that cannot be carried out.
    bool Run(std::istream& script)
    {
        std::string line;
        while (std::getline(script, line)) {
            ++m_line;
            Words words;
            if (!SplitWords(line, words))
                return Fail("unterminated quote");
            if (!words.empty() && !RunLine(words))
                return false;
            // Only these lines keep the rows chosen with "rows": after any other the rows may stand
            // for other programs.
            if (!words.empty() && words[0] != "rows" && words[0] != "sort" && words[0] != "set"
                && words[0] != "duplicates")
                m_rows.clear();
        }
        if (const int dropped = m_session.History().Dropped(); dropped > 0)
            m_context.Warn("edit: " + std::to_string(dropped) + (dropped == 1 ? " step" : " steps")
                           + " fell out of the undo history from line "
                           + std::to_string(m_firstDropLine) + " on (it keeps the last "
                           + std::to_string(UndoHistory::kStepLimit) + " steps within "
                           + std::to_string(UndoHistory::kByteBudget >> 20) + " MiB): undo lines do not reach them");
        return true;
    }

private:
    bool Fail(const std::string& text)
    {
        m_context.Fail("edit: line " + std::to_string(m_line) + ": " + text);
        return false;
    }

    bool RunLine(const Words& words)
    {
        const std::string& command = words[0];
        const Words args(words.begin() + 1, words.end());
        if (command == "select")
            return Select(args);
        if (command == "filter")
            return Filter(args);
        if (command == "row")
            return Row(args);
        if (command == "rows")
            return Rows(args);
        if (command == "duplicates")
            return Duplicates(args);
        if (command == "sort")
            return Step(command, [&] { return Sort(args); });
        if (command == "set")
            return Step(command, [&] { return SetForSelected(args); });
        if (command == "dedupe")
            return Step(command, [&] { return Dedupe(args); });
        if (command == "find" || command == "find-partial")
            return FindText(command == "find-partial", args);
        if (command == "find-next")
            return FindNext(args);
        if (command == "undo" || command == "redo")
            return UndoRedo(command == "undo", args);
        if (command == "edit" || command == "insert" || command == "append")
            return Step(command, [&] { return Program(command, args); });
        if (command == "delete")
            return Step(command, [&] { return Delete(args); });
        if (command == "up" || command == "down")
            return Step(command, [&] { return Neighbour(command == "up", args); });
        if (command == "move-to" || command == "switch")
            return Step(command, [&] { return ToRow(command == "move-to", args); });
        if (command == "sat-add" || command == "sat-edit" || command == "tp-add" || command == "tp-edit")
            return Step(command, [&] { return TreeDialog(command, args); });
        if (command == "import-tps" || command == "import-sat") {
            const std::string error = RunTableImportLine(m_session, command, args);
            return error.empty() ? true : Fail(error);
        }
        if (command == "import-e2") {
            const std::string error = RunEnigma2ImportLine(m_session, args);
            return error.empty() ? true : Fail(error);
        }
        if (command == "tree-delete" || command == "tree-up" || command == "tree-down" || command == "tree-move")
            return Step(command, [&] { return TreeMove(command, args); });
        if (IsListEditLine(command))
            return Step(command, [&] {
                std::string error;
                return RunListEditLine(m_context, m_document, command, args, error) || Fail(error);
            });
        return Fail("unknown command \"" + command + "\"");
    }

    // An edit command as one step of the session.
    template <typename Command>
    bool Step(const std::string& name, Command command)
    {
        bool done = false;
        m_session.Execute(name, [&] { done = command(); });
        if (m_firstDropLine == 0 && m_session.History().Dropped() > 0)
            m_firstDropLine = m_line;
        return done;
    }

    // Undo or redo of one step; nothing happens when there is none.
    bool UndoRedo(bool undo, const Words& args)
    {
        if (!args.empty())
            return Fail("undo and redo take no words");
        if (undo)
            m_session.Undo();
        else
            m_session.Redo();
        return true;
    }

    TreeItem* Item(const std::string& name)
    {
        if (name == "sats")
            return m_store.Tree().FindRoot(TreeKind::SatelliteRoot);
        return FindCliItem(m_document, name);
    }

    bool Select(const Words& args)
    {
        TreeItem* item = args.size() == 1 ? Item(args[0]) : nullptr;
        if (!item)
            return Fail("select needs an item: all, sats, SATNAME or SATNAME/N");
        m_session.SelectItem(item);
        return true;
    }

    bool Filter(const Words& args)
    {
        static const std::vector<std::pair<std::string, ServiceFilter>> kFilters = {
            {"tv", ServiceFilter::Tv}, {"radio", ServiceFilter::Radio}, {"both", ServiceFilter::TvAndRadio}};
        for (const auto& [name, filter] : kFilters) {
            if (args.size() == 1 && args[0] == name) {
                m_list.SetServiceFilter(filter);
                return true;
            }
        }
        return Fail("filter takes tv, radio or both");
    }

    // A 1-based row number of the list.
    std::optional<int> RowIndex(const std::string& text)
    {
        const std::optional<int> number = WholeNumber(text);
        if (!number || *number < 1 || *number > m_list.RowCount())
            return std::nullopt;
        return *number - 1;
    }

    bool Row(const Words& args)
    {
        if (args.size() == 1 && args[0] == "none") {
            m_list.SelectRow(-1);
            return true;
        }
        const std::optional<int> row = args.size() == 1 ? RowIndex(args[0]) : std::nullopt;
        if (!row)
            return Fail("row takes a row number of the list or none");
        m_list.SelectRow(*row);
        return true;
    }

    // Puts LABEL=VALUE pairs into a dialog's controls: a list's row by its text, an edit's text.
    template <typename Form, typename Control>
    bool Fill(Form& form, const Words& assignments, std::size_t controls)
    {
        for (const std::string& assignment : assignments) {
            const std::size_t equals = assignment.find('=');
            if (equals == std::string::npos)
                return Fail("expected LABEL=VALUE, not \"" + assignment + "\"");
            const std::string label = assignment.substr(0, equals);
            const std::string value = assignment.substr(equals + 1);
            std::optional<Control> control;
            for (std::size_t i = 0; i < controls && !control; ++i) {
                if (Form::Label(static_cast<Control>(i)) == label)
                    control = static_cast<Control>(i);
            }
            if (!control)
                return Fail("the dialog has no \"" + label + "\"");
            if (!form.IsEnabled(*control))
                return Fail("\"" + label + "\" is disabled");
            if (Form::IsList(*control)) {
                const std::optional<int> row = RowOfText(form.Choices(*control), value);
                if (!row)
                    return Fail("\"" + label + "\" has no row \"" + value + "\"");
                form.Select(*control, row);
            } else {
                form.EditText(*control, value);
            }
        }
        if (!form.Ok())
            return Fail("the dialog refused the values");
        return true;
    }

    // The failure of a command that opened no dialog: refused (a full list), which a message has
    // explained since messages were counted, or without a place to open it on.
    bool NoDialog(const std::string& command, int messages, const std::string& place)
    {
        if (m_context.Prompts().MessageCount() > messages)
            return Fail(command + " was refused");
        return Fail(command + " opens no dialog" + place);
    }

    bool Program(const std::string& command, const Words& args)
    {
        const int messages = m_context.Prompts().MessageCount();
        std::unique_ptr<ProgramForm> form = command == "edit" ? m_session.Operations().BeginEdit()
            : command == "insert"                             ? m_session.Operations().BeginInsert()
                                                              : m_session.Operations().BeginAppend();
        if (!form)
            return NoDialog(command, messages, " here");
        if (!Fill<ProgramForm, ProgramControl>(*form, args, kProgramControlCount))
            return false;
        m_session.Operations().Finish(*form);
        return true;
    }

    bool Delete(const Words& args)
    {
        std::vector<int> rows;
        for (const std::string& arg : args) {
            const std::optional<int> row = RowIndex(arg);
            if (!row)
                return Fail("delete takes row numbers of the list");
            rows.push_back(*row);
        }
        if (args.empty())
            rows = ChosenRows();
        m_session.Operations().Delete(rows);
        return true;
    }

    // The rows a command of the selection works on: those of the last "rows" line, else the
    // selected row.
    std::vector<int> ChosenRows() const
    {
        if (!m_rows.empty())
            return m_rows;
        if (m_list.SelectedRow() >= 0)
            return {m_list.SelectedRow()};
        return {};
    }

    // rows ROW|FIRST-LAST ...: the rows selected together (1-based), the first one the selected row.
    bool Rows(const Words& args)
    {
        std::vector<int> rows;
        for (const std::string& arg : args) {
            const std::size_t dash = arg.find('-');
            const std::optional<int> first = RowIndex(arg.substr(0, dash));
            const std::optional<int> last = dash == std::string::npos ? first : RowIndex(arg.substr(dash + 1));
            if (!first || !last || *last < *first)
                return Fail("rows takes row numbers or ranges FIRST-LAST of the list");
            for (int row = *first; row <= *last; ++row)
                rows.push_back(row);
        }
        if (rows.empty())
            return Fail("rows takes row numbers or ranges FIRST-LAST of the list");
        std::sort(rows.begin(), rows.end());
        rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
        m_rows = rows;
        m_list.SelectRow(rows.front());
        return true;
    }

    // sort name|sid|type|tp [desc] [--selected]
    bool Sort(const Words& args)
    {
        std::optional<SortKey> key = args.empty() ? std::nullopt : SortKeyOfWord(args[0]);
        SortRequest request;
        bool selected = false;
        for (std::size_t i = 1; key && i < args.size(); ++i) {
            if (args[i] == "desc" && !request.descending)
                request.descending = true;
            else if (args[i] == "--selected" && !selected)
                selected = true;
            else
                key.reset();
        }
        if (!key)
            return Fail("sort takes name, sid, type or tp, then desc and --selected if wanted");
        request.key = *key;
        const std::vector<int> rows = selected ? ChosenRows() : std::vector<int>{};
        if (selected && rows.size() < 2)
            return Fail("sort --selected needs two rows or more chosen with rows");
        SortServices(m_store, m_list, request, rows);
        return true;
    }

    // set LABEL=VALUE ...: "Set for Selected" on the chosen rows.
    bool SetForSelected(const Words& args)
    {
        const std::vector<int> rows = ChosenRows();
        if (rows.empty())
            return Fail("set needs rows chosen with rows or row");
        SetForSelectedForm form(m_store, m_list, rows);
        if (!Fill<SetForSelectedForm, SetForSelectedControl>(form, args, kSetForSelectedControlCount))
            return false;
        form.Commit();
        return true;
    }

    // duplicates: the groups on standard error, one a line, and their repeated rows chosen as
    // Find Duplicates selects them.
    bool Duplicates(const Words& args)
    {
        if (!args.empty())
            return Fail("duplicates takes no words");
        const std::vector<DuplicateGroup> groups = FindDuplicateGroups(m_store, m_list);
        for (const DuplicateGroup& group : groups) {
            std::string line = "duplicates: rows";
            for (int row : group.rows)
                line += " " + std::to_string(row + 1);
            const std::vector<std::string>& cells = m_list.Cells(group.rows.front());
            line += ": \"" + (cells.empty() ? std::string() : cells.front()) + "\"";
            m_store.Prompts().Message(line);
        }
        m_rows = RepeatedRows(groups);
        m_store.Prompts().Message(DuplicatesFoundText(m_rows.size()));
        return true;
    }

    // dedupe: every service of a duplicate group but the first deleted, as one step.
    bool Dedupe(const Words& args)
    {
        if (!args.empty())
            return Fail("dedupe takes no words");
        const std::vector<int> rows = RepeatedRows(FindDuplicateGroups(m_store, m_list));
        if (!rows.empty())
            m_session.Operations().Delete(rows);
        return true;
    }

    bool Neighbour(bool up, const Words& args)
    {
        if (!args.empty())
            return Fail("up and down take no words");
        if (up)
            m_session.Operations().MoveUp();
        else
            m_session.Operations().MoveDown();
        return true;
    }

    bool ToRow(bool move, const Words& args)
    {
        const std::optional<int> target = args.size() == 1 ? WholeNumber(args[0]) : std::nullopt;
        if (!target)
            return Fail("move-to and switch take a row number");
        if (move && m_session.Operations().BeginMoveTo())
            m_session.Operations().MoveTo(*target);
        else if (!move && m_session.Operations().BeginSwitch())
            m_session.Operations().SwitchWith(*target);
        return true;
    }

    bool FindText(bool partial, const Words& args)
    {
        if (args.size() != 1)
            return Fail("find takes one text");
        m_session.Finder().FindService(m_list, {args[0], partial});
        return true;
    }

    bool FindNext(const Words& args)
    {
        if (!args.empty())
            return Fail("find-next takes no words");
        m_session.Finder().FindNextService(m_list);
        return true;
    }

    // The tree commands act on the item a right click selects first.
    TreeItem* ClickedItem(const std::string& name)
    {
        TreeItem* item = Item(name);
        if (item)
            m_session.SelectItem(item);
        return item;
    }

    bool TreeDialog(const std::string& command, const Words& args)
    {
        const bool add = command.ends_with("-add");
        const bool satellite = command.starts_with("sat");
        const std::string itemName = satellite && add ? std::string("sats") : (args.empty() ? "" : args[0]);
        const Words values(args.begin() + (satellite && add ? 0 : std::min<std::size_t>(args.size(), 1)), args.end());
        TreeItem* item = ClickedItem(itemName);
        const int messages = m_context.Prompts().MessageCount();
        std::unique_ptr<NavigatorDialog> dialog = add ? m_session.Navigator().BeginAdd(item) : m_session.Navigator().BeginEdit(item);
        if (!dialog || (satellite != (dialog->Satellite() != nullptr)))
            return NoDialog(command, messages, " for \"" + itemName + "\"");
        const bool filled = satellite ? Fill<SatelliteForm, SatelliteControl>(*dialog->Satellite(), values,
                                                                               kSatelliteControlCount)
                                      : Fill<TpForm, TpControl>(*dialog->Tp(), values, kTpControlCount);
        if (!filled)
            return false;
        return m_session.Navigator().Finish(*dialog) ? true : Fail(command + " made no item");
    }

    bool TreeMove(const std::string& command, const Words& args)
    {
        const bool moveTo = command == "tree-move";
        if (args.size() != (moveTo ? 2u : 1u))
            return Fail(command + (moveTo ? " takes an item and a place" : " takes an item"));
        TreeItem* item = ClickedItem(args[0]);
        if (!item)
            return Fail("no item \"" + args[0] + "\"");
        if (command == "tree-delete") {
            m_session.DeleteItem(item);
        } else if (command == "tree-up") {
            m_session.Navigator().MoveUp(item);
        } else if (command == "tree-down") {
            m_session.Navigator().MoveDown(item);
        } else {
            const std::optional<int> place = WholeNumber(args[1]);
            if (!place || !m_session.Navigator().BeginMoveTo(item))
                return Fail("tree-move takes a movable item and a place");
            m_session.Navigator().MoveTo(item, static_cast<std::uint32_t>(*place));
        }
        return true;
    }

    CliContext& m_context;
    Document& m_document;
    NodeStore& m_store;
    ServiceList& m_list;
    EditSession m_session;
    int m_line = 0;
    int m_firstDropLine = 0;  // the line whose step first pushed one out of the undo history
    // The rows of the last "rows" line (0-based), or none.
    std::vector<int> m_rows;
};

} // namespace

int RunEditCommand(CliContext& context, CommandArgs args)
{
    CliArguments arguments;
    if (!arguments.Parse(args, {std::string(kChunkOption)}, {std::string(kAllowCutFlag)})
        || arguments.Positional().size() != 2) {
        context.Fail("edit: " + (arguments.Error().empty() ? std::string("expected FILE SCRIPT") : arguments.Error()));
        return kExitUsage;
    }
    const std::optional<DatabaseChunk> chunk = ChunkOption(arguments);
    if (!chunk) {
        context.Fail("edit: " + std::string(kChunkOptionError));
        return kExitUsage;
    }
    const std::string& file = arguments.Positional()[0];
    std::ifstream scriptFile(FileNamePath(arguments.Positional()[1]), std::ios::binary);
    if (!scriptFile) {
        context.Fail("edit: cannot read \"" + arguments.Positional()[1] + "\"");
        return kExitFailure;
    }
    std::stringstream script;
    script << scriptFile.rdbuf();

    const std::unique_ptr<Document> document = NewCliDocument(context);
    if (!document || !OpenCliFile(context, *document, file, *chunk))
        return kExitFailure;
    SetCutSaves(*document, arguments);
    if (!EditScript(context, *document).Run(script))
        return kExitFailure;
    const bool image = SaveAsKindOf(file) == SaveAsKind::Bin;
    return SaveStatus(context, *document, image ? document->Save() : document->SaveDefaultDatabase(), file);
}

} // namespace torvane
