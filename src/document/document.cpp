#include "document/document.h"

#include <algorithm>
#include <limits>
#include <memory>
#include <vector>

#include "database/default_database_region.h"
#include "database/zlib_codec.h"
#include "document/default_database.h"
#include "document/text_export.h"
#include "exchange/service_csv.h"
#include "store/tree_item.h"
#include "document/user_image_builder.h"
#include "util/ascii_case.h"
#include "util/saved_file.h"
#include "util/file_reader.h"
#include "util/user_prompts.h"

namespace torvane {

Document::Document(UserPrompts& prompts, ProjectType type)
    : m_prompts(prompts), m_type(type), m_store(m_schema, m_image, prompts), m_list(m_store)
{
}

bool Document::IsOpen() const
{
    return !m_productImagePath.empty() || !m_defaultDatabasePath.empty();
}

bool ReportPathClash(std::string_view productImagePath, std::string_view defaultDatabasePath, UserPrompts& prompts)
{
    if (productImagePath.empty() || defaultDatabasePath.empty())
        return false;
    prompts.Message("BUG");
    return true;
}

void Document::SelectItem(TreeItem* item)
{
    m_list.SetCurrentItem(item);
    m_list.ShowList(item);
}

void Document::Reset()
{
    m_list.ClearList();
    m_store.Reset();
    m_flash.Close();
    m_fromUserChunk = false;
    m_productImagePath.clear();
    m_defaultDatabasePath.clear();
    m_chunks.reset();
    m_withOrder = false;
    m_lastLoss = {};
    m_refusedCut.reset();
    m_saveDeclined = false;
}

bool Document::FailOpen()
{
    Reset();
    return false;
}

void Document::RecordChunkPositions()
{
    const ChunkWalk& walk = m_flash.Walk();
    ChunkPositions positions;
    if (walk.defaultChunk) {
        positions.defaultOffset = static_cast<std::uint32_t>(walk.defaultChunk->offset);
        positions.defaultLength = static_cast<std::uint32_t>(walk.DefaultChunkSize());
    }
    if (walk.userChunk) {
        positions.userOffset = static_cast<std::uint32_t>(walk.userChunk->offset);
        positions.userLength = static_cast<std::uint32_t>(walk.UserLength());
    }
    m_chunks = positions;
}

// --- Opening -------------------------------------------------------------------------------------

bool Document::Open(const std::string& path, LoadedFile loaded)
{
    const bool opened = OpenChosen(path, loaded);
    ForgetSaveAnswer();
    return opened;
}

bool Document::OpenChosen(const std::string& path, LoadedFile loaded)
{
    if (!SavePrompt())
        return false;
    switch (SaveAsKindOf(path)) {
    case SaveAsKind::Bin: {
        const std::optional<ChunkChoice> choice =
            m_prompts.ChooseChunks(kLoadChunkCaption, ChunkChoice{true, false}, true);
        if (!choice)
            return false;
        if (choice->defaultChunk)
            return OpenDefaultDatabase(path);
        if (choice->userChunk)
            return OpenUserDatabase(path);
        return false;
    }
    case SaveAsKind::Ddf:
    case SaveAsKind::Df2:
        if (!CloseDocument() || !LoadDefaultDatabase(path))
            return false;
        if (loaded == LoadedFile::Keep)
            return true;
        // The file is written back at once, in the stored form of the project type, but never cut:
        // a database the file's work area cannot hold stays in the file as it was.
        m_store.SetModified(true);
        if (WriteDefaultDatabaseFile(m_defaultDatabasePath, m_withOrder, true) == SaveResult::Saved)
            m_store.SetModified(false);
        else if (m_refusedCut && m_refusedCut->cut)
            m_prompts.Message("\"" + path + "\" was left as it was: it holds more than a default database file takes, "
                              "and saving it leaves out what does not fit.");
        return true;
    default:
        break;
    }
    return false;
}

bool Document::OpenUserDatabase(const std::string& path)
{
    if (path.empty() || !CloseDocument())
        return false;
    Reset();
    m_productImagePath = path;
    m_withOrder = true;

    const std::optional<UserRegion> region = m_flash.OpenUserDatabase(path, m_prompts);
    if (!region || region->length > std::numeric_limits<std::uint32_t>::max())
        return FailOpen();
    // Without the layouts of a template no record can be read, as the default chunk finds too.
    if (!m_schema.HasLayout(NodeKind::Satellite) || !m_schema.HasLayout(NodeKind::Tp)
        || !m_schema.HasLayout(NodeKind::Program)) {
        FailOpen();
        m_prompts.Message(kOpenDatabaseFailedMessage);
        return false;
    }
    m_image.SetReservedSize(static_cast<std::uint32_t>(region->reservedSize));
    m_store.SetFreeOffset(0);
    if (m_image.parserdb(path, region->offset, static_cast<std::uint32_t>(region->length), m_prompts) != 0)
        return FailOpen();
    if (!m_store.Rearrage(true))
        return FailOpen();
    m_store.BuildTreeFromImage();
    RecordChunkPositions();
    m_store.SetModified(false);
    SelectItem(m_store.Tree().TopLevel(0));
    m_fromUserChunk = true;
    return true;
}

bool Document::OpenDefaultDatabase(const std::string& path)
{
    if (path.empty() || !CloseDocument())
        return false;
    Reset();
    m_productImagePath = path;

    const std::optional<DefaultDatabaseSource> source = m_flash.OpenDefaultDatabase(path, m_type, m_prompts);
    if (!source)
        return FailOpen();
    // Records grow when they are expanded (a compact program takes at least half its record), so
    // three times the stream always has room, whatever the user chunk's size.
    const std::uint64_t regionLength = std::max<std::uint64_t>(source->emptyRegionLength, 3 * source->stream.size());
    if (regionLength > std::numeric_limits<std::int32_t>::max()
        || !m_image.create_empty_header(static_cast<std::uint32_t>(regionLength)))
        return FailOpen();
    m_store.SetFreeOffset(0);
    m_store.EnsureRoots();
    if (!ParseDefaultDatabase(source->stream)) {
        Reset();
        m_prompts.Message(kOpenDatabaseFailedMessage);
        return false;
    }
    RecordChunkPositions();
    m_fromUserChunk = false;
    return true;
}

bool Document::LoadDefaultDatabase(const std::string& path)
{
    if (path.empty())
        return false;
    if (!m_defaultDatabasePath.empty() && EqualsIgnoringCase(path, m_defaultDatabasePath)) {
        m_prompts.Message(kFileAlreadyOpenMessage);
        return false;
    }

    ReportPathClash(m_productImagePath, m_defaultDatabasePath, m_prompts);
    bool merging = false;
    if (IsOpen()) {
        const std::optional<int> choice = m_prompts.ChooseOne(
            kSelectOperationCaption, {std::string(kMergeOption), std::string(kOverwriteOption)}, 0);
        if (!choice || (*choice != 0 && *choice != 1)) {
            // Cancel keeps the open document as it is.
            m_prompts.Message(kCheckFailedMessage);
            return false;
        }
        merging = *choice == 0;
        if (!merging) {
            m_list.ClearList();
            m_defaultDatabasePath = {};
            m_store.ClearTree();
            // The old nodes go too: left in the region they would still show under "All Services".
            const std::uint32_t length = m_image.Length() > 0 ? m_image.Length() : kDefaultFileRegionLength;
            if (!m_image.create_empty_header(length)) {
                Reset();
                m_prompts.Message(kCheckFailedMessage);
                return false;
            }
            m_store.SetFreeOffset(0);
            m_store.EnsureRoots();
        }
    }
    if (!IsOpen()) {
        m_defaultDatabasePath = path;
        FileReader probe;
        if (!probe.Open(path) || !m_image.create_empty_header(kDefaultFileRegionLength)) {
            Reset();
            m_prompts.Message(kCheckFailedMessage);
            return false;
        }
        m_store.SetFreeOffset(0);
        m_store.EnsureRoots();
    }

    // From here a failure leaves a merged-into document as it was and closes any other.
    const auto fail = [this, merging](std::optional<std::string> message) {
        if (!merging)
            Reset();
        if (message)
            m_prompts.Message(*message);
        return false;
    };
    const std::optional<std::vector<std::uint8_t>> file = ReadFileBytes(path);
    if (!file)
        return fail(std::string(kCantOpenMessage) + path);
    std::vector<std::uint8_t> stream;
    if (m_type == ProjectType::ZUV_DVBS_V4) {
        std::optional<std::vector<std::uint8_t>> plain = UncompressDefaultDatabase(*file, m_prompts);
        if (!plain)
            return fail(std::nullopt);
        stream = std::move(*plain);
    }
    if (!ParseDefaultDatabase(m_type == ProjectType::ZUV_DVBS_V4 ? std::span<const std::uint8_t>(stream)
                                                                  : std::span<const std::uint8_t>(*file)))
        return fail(std::string(kLoadDefaultFailedMessage));
    return true;
}

std::optional<std::size_t> Document::GenerateDefaultDatabase(std::span<std::uint8_t> destination, bool withOrder)
{
    DefaultDatabase database(m_store);
    return GenerateWith(database, destination, withOrder);
}

std::optional<std::size_t> Document::GenerateWith(DefaultDatabase& database, std::span<std::uint8_t> destination,
                                                  bool withOrder)
{
    const std::optional<std::size_t> length = database.GenerateDefaultDatabase(destination, withOrder);
    m_lastLoss = {};
    if (length)
        m_lastLoss = SaveLoss{database.WasCut() ? std::optional(database.LeftOut()) : std::nullopt, database.Misplaced()};
    return length;
}

bool Document::ParseDefaultDatabase(std::span<const std::uint8_t> stream)
{
    DefaultDatabase database(m_store);
    if (!database.ParseDefaultDatabase(stream))
        return false;
    m_withOrder = database.StreamWithOrder();
    SelectItem(m_store.Tree().FindRoot(TreeKind::AllServices));
    return true;
}

// --- Closing -------------------------------------------------------------------------------------

bool Document::SavePrompt()
{
    if (!m_store.IsModified() || !IsOpen() || m_saveDeclined)
        return true;
    // A cut refused before is no answer to this question.
    m_refusedCut.reset();
    switch (m_prompts.AskYesNoOrCancel(kSaveQuestion)) {
    case YesNoAnswer::Yes:
        return SaveWithChunkChoice() == SaveResult::Saved;
    case YesNoAnswer::No:
        // The edits go only when the document is closed or replaced, which may still not happen.
        m_saveDeclined = true;
        return true;
    case YesNoAnswer::Cancel:
        break;
    }
    return false;
}

bool Document::CloseDocument()
{
    if (!IsOpen())
        return true;
    if (!SavePrompt())
        return false;
    Reset();
    return true;
}

// --- Saving --------------------------------------------------------------------------------------

DefaultDatabaseGenerator Document::Generator(bool withOrder)
{
    return [this, withOrder](std::span<std::uint8_t> destination) {
        return GenerateDefaultDatabase(destination, withOrder);
    };
}

SaveInputs Document::Inputs()
{
    SaveInputs inputs;
    inputs.projectType = m_type;
    inputs.createUserDataImage = [this](std::span<std::uint8_t> region) {
        return UserImageBuilder(m_store).CreateUserDataImage(region) == 0;
    };
    inputs.databaseRegionLength = m_image.Length();
    // The save's check and its write share one generator: the stream the check measured is written.
    const auto database = std::make_shared<DefaultDatabase>(m_store);
    inputs.generateDefaultDatabase = [this, database](std::span<std::uint8_t> destination, bool withOrder) {
        return GenerateWith(*database, destination, withOrder);
    };
    inputs.withOrder = m_withOrder;
    inputs.openedFrom = m_fromUserChunk ? DatabaseChunk::User : DatabaseChunk::Default;
    m_refusedCut.reset();
    inputs.agreeToCut = [this, database](const std::string& target, std::size_t room, bool withOrder) {
        return AgreeToCut(*database, target, room, withOrder, m_cutSaves);
    };
    inputs.exportText = [this](const std::string& target) { return ExportText(target); };
    return inputs;
}

void Document::MarkSaved(SaveResult result)
{
    if (result == SaveResult::Saved)
        m_store.SetModified(false);
}

int Document::LoadImage()
{
    return m_flash.LoadImage() ? 0 : -1;
}

bool Document::WriteUserDatabaseIntoImage()
{
    return m_flash.WriteUserDatabaseIntoImage(Inputs().createUserDataImage, m_image.Length(), m_prompts);
}

SaveResult Document::Save()
{
    if (!m_store.IsModified() || m_productImagePath.empty())
        return SaveResult::NothingDone;
    const bool saved =
        m_flash.Save(m_fromUserChunk ? DatabaseChunk::User : DatabaseChunk::Default, Inputs(), m_prompts);
    const SaveResult result = saved ? SaveResult::Saved : m_refusedCut ? SaveResult::NothingDone : SaveResult::Failed;
    MarkSaved(result);
    return result;
}

SaveResult Document::SaveWithChunkChoice()
{
    if (m_productImagePath.empty())
        return m_defaultDatabasePath.empty() ? SaveResult::NothingDone : SaveDefaultDatabase();
    const SaveResult result = m_flash.SaveWithChunkChoice(Inputs(), m_prompts);
    MarkSaved(result);
    return result;
}

SaveResult Document::SaveAs(const std::string& target)
{
    // Every open list can be written as a CSV file; like the text listing it is no save of the
    // document.
    if (SaveAsKindOf(target) == SaveAsKind::Csv) {
        if (!IsOpen())
            return SaveResult::NothingDone;
        return ExportServiceCsv(m_list, target) ? SaveResult::Saved : SaveResult::Failed;
    }
    if (m_productImagePath.empty())
        return m_defaultDatabasePath.empty() ? SaveResult::NothingDone : SaveDefaultDatabaseAs(target);
    const SaveAsKind kind = SaveAsKindOf(target);
    // The chosen form stays the document's until another is chosen.
    if (kind == SaveAsKind::Ddf || kind == SaveAsKind::Df2)
        m_withOrder = kind == SaveAsKind::Df2;
    const SaveResult result = m_flash.SaveAs(target, Inputs(), m_prompts);
    if (result == SaveResult::Saved && kind == SaveAsKind::Bin)
        m_productImagePath = target;
    // A default-database file or a listing does not become the document: it stays as modified as it was.
    if (kind == SaveAsKind::Bin)
        MarkSaved(result);
    return result;
}

bool Document::AgreeToCut(DefaultDatabase& database, const std::string& target, std::size_t room, bool withOrder,
                          CutSaves how)
{
    m_refusedCut.reset();
    // Without a stream (not even its header fits) the write fails with its own message.
    const std::optional<SaveLoss> loss = database.MeasureLoss(room, withOrder);
    if (!loss || loss->IsNone() || how == CutSaves::Allow)
        return true;
    const auto agreed = [this](const std::string& text, std::string_view end) {
        return m_prompts.AskYesNo(text + " " + std::string(end));
    };
    if (how == CutSaves::Ask && (!loss->cut || agreed(CutSaveText(target, *loss->cut), kCutSaveQuestionEnd))
        && (loss->misplaced == 0 || agreed(OrderSaveText(target, loss->misplaced), kOrderSaveQuestionEnd)))
        return true;
    m_refusedCut = loss;
    return false;
}

SaveResult Document::WriteDefaultDatabaseFile(const std::string& target, bool withOrder, bool wholeOnly)
{
    DefaultDatabase database(m_store);
    if (!AgreeToCut(database, target, DefaultFileStreamRoom(m_type), withOrder,
                    wholeOnly ? CutSaves::Refuse : m_cutSaves))
        return SaveResult::NothingDone;
    std::vector<std::uint8_t> buffer(DefaultFileBufferSize(m_type), 0);
    const DefaultDatabaseGenerator generate = [this, &database, withOrder](std::span<std::uint8_t> destination) {
        return GenerateWith(database, destination, withOrder);
    };
    const std::optional<std::size_t> written = WriteDefaultDatabaseRegion(buffer, m_type, generate, m_prompts);
    if (!written)
        return SaveResult::Failed;
    return WriteSavedFile(target, std::span(buffer).first(*written), m_prompts) ? SaveResult::Saved
                                                                                 : SaveResult::Failed;
}

SaveResult Document::SaveDefaultDatabase()
{
    if (!m_store.IsModified() || m_defaultDatabasePath.empty())
        return SaveResult::NothingDone;
    const SaveResult result = WriteDefaultDatabaseFile(m_defaultDatabasePath, m_withOrder);
    MarkSaved(result);
    return result;
}

SaveResult Document::SaveDefaultDatabaseAs(const std::string& target)
{
    if (m_defaultDatabasePath.empty() || target.empty())
        return SaveResult::NothingDone;
    const bool withOrder = SaveAsKindOf(target) == SaveAsKind::Df2;
    const SaveResult result = WriteDefaultDatabaseFile(target, withOrder);
    // The document moves to the new file only once it is written.
    if (result == SaveResult::Saved) {
        m_defaultDatabasePath = target;
        m_withOrder = withOrder;
    }
    MarkSaved(result);
    return result;
}

bool Document::SaveDefaultDatabaseThroughImage(const std::string& target)
{
    // The file does not become the document, which stays as modified as it was.
    return m_flash.SaveDefaultDatabaseThroughImage(target, m_type, Generator(m_withOrder), m_prompts);
}

bool Document::ExportText(const std::string& path)
{
    return torvane::ExportText(m_list, path);
}

} // namespace torvane
