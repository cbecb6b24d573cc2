#include "database/flash_image.h"

#include <algorithm>
#include <array>
#include <string>

#include "database/zlib_codec.h"
#include "util/ascii_case.h"
#include "util/saved_file.h"
#include "util/byte_order.h"
#include "util/crc32_mpeg2.h"
#include "util/file_reader.h"
#include "util/user_prompts.h"

namespace torvane {
namespace {

// Drops the image buffer when a save ends, whatever its outcome, so that the next save starts
// from the file on disk.
class DropImageAtEnd final {
public:
    explicit DropImageAtEnd(FlashImage& image) : m_image(image) {}
    ~DropImageAtEnd() { m_image.DropImage(); }
    DropImageAtEnd(const DropImageAtEnd&) = delete;
    DropImageAtEnd& operator=(const DropImageAtEnd&) = delete;

private:
    FlashImage& m_image;
};

DefaultDatabaseGenerator WithOrder(const SaveInputs& inputs, bool withOrder)
{
    if (!inputs.generateDefaultDatabase)
        return {};
    return [&inputs, withOrder](std::span<std::uint8_t> destination) {
        return inputs.generateDefaultDatabase(destination, withOrder);
    };
}

} // namespace

std::string DefaultFileTooLargeMessage(std::size_t needed, std::size_t room)
{
    return std::string(kDefaultFileTooLargeMessage) + ": it takes " + std::to_string(needed)
        + " bytes, a default database file holds " + std::to_string(room) + ". Nothing was written.";
}

SaveAsKind SaveAsKindOf(std::string_view path)
{
    const std::size_t slash = path.find_last_of("/\\");
    const std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
    const std::size_t dot = name.rfind('.');
    if (dot == std::string_view::npos)
        return SaveAsKind::Other;
    const std::string_view extension = name.substr(dot + 1);
    if (EqualsIgnoringCase(extension, "bin"))
        return SaveAsKind::Bin;
    if (EqualsIgnoringCase(extension, "ddf"))
        return SaveAsKind::Ddf;
    if (EqualsIgnoringCase(extension, "df2"))
        return SaveAsKind::Df2;
    if (extension == "txt")
        return SaveAsKind::Txt;
    if (EqualsIgnoringCase(extension, "csv"))
        return SaveAsKind::Csv;
    return SaveAsKind::Other;
}

void FlashImage::Close()
{
    m_path.clear();
    m_walk = ChunkWalk{};
    m_userRegion.reset();
    m_userRegionProblem = kNoUserChunkMessage;
    m_image.reset();
}

void FlashImage::LocateUserRegion(std::optional<std::uint8_t> reservedByte, std::uint64_t fileSize)
{
    m_userRegion.reset();
    m_userRegionProblem = kNoUserChunkMessage;
    if (!m_walk.userChunk || !reservedByte)
        return;
    const std::optional<std::uint64_t> reserved = ReservedSizeOf(*reservedByte);
    if (!reserved) {
        m_userRegionProblem = kBadReservedSizeMessage;
        return;
    }
    // The chunk's data after its header, less the reserved size, must lie within the file.
    const std::uint64_t userLength = m_walk.UserLength();
    if (userLength < kChunkHeaderSize + *reserved) {
        m_userRegionProblem = *reserved > 0 ? kBadReservedSizeMessage : kRegionOutsideFileMessage;
        return;
    }
    const std::uint64_t offset = m_walk.UserDataOffset() + *reserved;
    const std::uint64_t length = userLength - kChunkHeaderSize - *reserved;
    if (offset > fileSize || length > fileSize - offset) {
        m_userRegionProblem = kRegionOutsideFileMessage;
        return;
    }
    m_userRegion = UserRegion{offset, length, *reserved};
}

bool FlashImage::BeginOpen(const std::string& path, DatabaseChunk needed, UserPrompts& prompts)
{
    Close();
    m_path = path;
    m_walk = WalkChunks(path, kOpenWalkLimit);
    std::string_view problem;
    if (!m_walk.Recognized())
        problem = kUnrecognizedFileMessage;
    else if (needed == DatabaseChunk::User && !m_walk.userChunk)
        problem = kNoUserChunkMessage;
    else if (needed == DatabaseChunk::Default && !m_walk.defaultChunk)
        problem = kNoDefaultChunkMessage;
    if (problem.empty())
        return true;
    prompts.Message(problem);
    Close();
    return false;
}

std::optional<UserRegion> FlashImage::OpenUserDatabase(const std::string& path, UserPrompts& prompts)
{
    if (path.empty() || !BeginOpen(path, DatabaseChunk::User, prompts))
        return std::nullopt;
    const auto fail = [this, &prompts](std::string_view message) -> std::optional<UserRegion> {
        prompts.Message(message);
        Close();
        return std::nullopt;
    };

    FileReader reader;
    std::array<std::uint8_t, kChunkHeaderSize> header{};
    if (!reader.Open(path) || !reader.ReadAt(m_walk.userChunk->offset, header))
        return fail(std::string(kCantOpenMessage) + path);
    LocateUserRegion(header[kReservedSizeByte], reader.Size());
    if (!m_userRegion)
        return fail(m_userRegionProblem);
    return m_userRegion;
}

std::optional<DefaultDatabaseSource> FlashImage::OpenDefaultDatabase(const std::string& path, ProjectType type,
                                                                     UserPrompts& prompts)
{
    if (path.empty() || !BeginOpen(path, DatabaseChunk::Default, prompts))
        return std::nullopt;
    const auto fail = [this, &prompts](std::string_view message) -> std::optional<DefaultDatabaseSource> {
        if (!message.empty())
            prompts.Message(message);
        Close();
        return std::nullopt;
    };

    const std::optional<std::vector<std::uint8_t>> file = ReadFileBytes(path);
    if (!file)
        return fail(std::string(kCantOpenMessage) + path);

    std::optional<std::uint8_t> reservedByte;
    if (m_walk.userChunk && m_walk.userChunk->offset + kReservedSizeByte < file->size())
        reservedByte = (*file)[m_walk.userChunk->offset + kReservedSizeByte];
    LocateUserRegion(reservedByte, file->size());

    DefaultDatabaseSource source;
    if (m_walk.userChunk) {
        const std::uint64_t reserved = m_userRegion ? m_userRegion->reservedSize : 0;
        source.emptyRegionLength = m_walk.UserLength() - reserved;
    } else {
        source.emptyRegionLength = 3 * std::uint64_t{file->size()};
    }

    // The chunk's data, cut at the end of the file: a chunk that claims more than the file holds
    // hands over only what is there, and the reader or zlib reports the rest as damaged.
    const std::optional<ChunkSpan> chunk = DefaultChunkSpan();
    const std::uint64_t begin = std::min<std::uint64_t>(chunk->offset + kChunkHeaderSize, file->size());
    const std::uint64_t end = std::clamp<std::uint64_t>(chunk->offset + chunk->extent, begin, file->size());
    const std::span<const std::uint8_t> data =
        std::span(*file).subspan(static_cast<std::size_t>(begin), static_cast<std::size_t>(end - begin));

    if (type == ProjectType::ZUV_DVBS_V4) {
        std::optional<std::vector<std::uint8_t>> stream = UncompressDefaultDatabase(data, prompts);
        if (!stream)
            return fail({});
        source.stream = std::move(*stream);
    } else {
        source.stream.assign(data.begin(), data.end());
    }
    return source;
}

std::optional<FlashImage::ChunkSpan> FlashImage::DefaultChunkSpan() const
{
    if (m_walk.defaultChunk)
        return ChunkSpan{m_walk.defaultChunk->offset, m_walk.defaultChunk->header.Extent()};
    if (!FixedPlaceIsFree())
        return std::nullopt;
    return ChunkSpan{kFixedDefaultChunkOffset, kFixedDefaultChunkEnd - kFixedDefaultChunkOffset};
}

bool FlashImage::FixedPlaceIsFree() const
{
    const auto overlaps = [](std::uint64_t begin, std::uint64_t extent) {
        const std::uint64_t end = begin + std::max<std::uint64_t>(extent, kChunkHeaderSize);
        return begin < kFixedDefaultChunkEnd && end > kFixedDefaultChunkOffset;
    };
    for (const WalkedChunk& chunk : m_walk.chunks) {
        if (overlaps(chunk.offset, chunk.header.Extent()))
            return false;
    }
    // The chunk that ended the walk is damaged: whatever it claims may hold data.
    if (m_walk.rejected) {
        const ChunkHeader& h = m_walk.rejected->header;
        const std::uint64_t claimed = std::max<std::uint64_t>(h.nextOffset, std::uint64_t{h.length} + kChunkStartSize);
        if (overlaps(m_walk.rejected->offset, claimed))
            return false;
    }
    return true;
}

bool FlashImage::LoadImage()
{
    m_image.reset();
    if (m_path.empty())
        return false;
    m_image = ReadFileBytes(m_path);
    return m_image.has_value();
}

std::span<const std::uint8_t> FlashImage::Image() const
{
    return m_image ? std::span<const std::uint8_t>(*m_image) : std::span<const std::uint8_t>{};
}

std::optional<ImageArea> FlashImage::DefaultArea() const
{
    const std::optional<ChunkSpan> chunk = DefaultChunkSpan();
    if (!m_image || !chunk || chunk->extent < kChunkHeaderSize || chunk->offset > m_image->size()
        || chunk->extent > m_image->size() - chunk->offset)
        return std::nullopt;
    return ImageArea{chunk->offset + kChunkHeaderSize, chunk->extent - kChunkHeaderSize};
}

std::optional<std::size_t> FlashImage::DefaultStreamRoom(ProjectType type) const
{
    const std::optional<ChunkSpan> chunk = DefaultChunkSpan();
    if (!chunk || chunk->extent < kChunkHeaderSize)
        return std::nullopt;
    return type == ProjectType::ZUV_DVBS_V4 ? kDefaultStreamCapacity
                                            : static_cast<std::size_t>(chunk->extent - kChunkHeaderSize);
}

bool FlashImage::AgreeToCut(const std::string& target, const SaveInputs& inputs, bool withOrder) const
{
    const std::optional<std::size_t> room = DefaultStreamRoom(inputs.projectType);
    // Without an area the write fails with its own message.
    return !room || !inputs.agreeToCut || inputs.agreeToCut(target, *room, withOrder);
}

bool FlashImage::WriteUserDatabaseIntoImage(const UserRegionBuilder& build, std::uint64_t databaseRegionLength,
                                            UserPrompts& prompts)
{
    if (!m_image && !LoadImage()) {
        prompts.Message(std::string(kCantOpenMessage) + m_path);
        return false;
    }
    if (!m_userRegion) {
        prompts.Message(m_userRegionProblem);
        return false;
    }
    const UserRegion& region = *m_userRegion;
    if (region.offset > m_image->size() || region.length > m_image->size() - region.offset) {
        prompts.Message(kRegionOutsideFileMessage);
        return false;
    }
    // A chunk that carries a CRC gets a fresh one, so that the chain stays valid after the save.
    const WalkedChunk& chunk = *m_walk.userChunk;
    const bool checked = chunk.header.checkValue != kNoCheckValue;
    const std::uint64_t coveredEnd = chunk.offset + kChunkStartSize + chunk.header.length;
    if (checked && coveredEnd > m_image->size()) {
        prompts.Message(kRegionOutsideFileMessage);
        return false;
    }
    if (databaseRegionLength < region.length)
        prompts.Message(kOutOfRangeMessage);

    const std::span<std::uint8_t> target =
        std::span(*m_image).subspan(static_cast<std::size_t>(region.offset), static_cast<std::size_t>(region.length));
    std::fill(target.begin(), target.end(), std::uint8_t{0xFF});
    if (!build || !build(target))
        return false;
    if (checked) {
        std::uint8_t* const header = m_image->data() + chunk.offset;
        WriteBe32(header + 12, Crc32Mpeg2(std::span<const std::uint8_t>(header + kChunkStartSize, chunk.header.length)));
    }
    return true;
}

std::optional<std::size_t> FlashImage::GenerateIntoDefaultArea(ProjectType type,
                                                               const DefaultDatabaseGenerator& generate,
                                                               UserPrompts& prompts)
{
    if (!m_walk.defaultChunk && !FixedPlaceIsFree()) {
        prompts.Message(kFixedDefaultAreaTakenMessage);
        return std::nullopt;
    }
    const std::optional<ImageArea> area = LoadImage() ? DefaultArea() : std::nullopt;
    if (!area) {
        prompts.Message(kGenerateDefaultFailedMessage);
        return std::nullopt;
    }
    const std::span<std::uint8_t> destination =
        std::span(*m_image).subspan(static_cast<std::size_t>(area->offset), static_cast<std::size_t>(area->length));
    const std::optional<std::size_t> written = WriteDefaultDatabaseRegion(destination, type, generate, prompts);
    if (!written)
        return std::nullopt;

    // The length word covers everything after the first 16 bytes of the chunk, and so does the CRC.
    std::uint8_t* const chunk = m_image->data() + (area->offset - kChunkHeaderSize);
    const std::size_t covered = static_cast<std::size_t>(area->length + kChunkHeaderSize - kChunkStartSize);
    WriteBe32(chunk + 4, static_cast<std::uint32_t>(covered));
    WriteBe32(chunk + 12, Crc32Mpeg2(std::span<const std::uint8_t>(chunk + kChunkStartSize, covered)));
    return written;
}

bool FlashImage::WriteDefaultArea(ProjectType type, const DefaultDatabaseGenerator& generate, UserPrompts& prompts)
{
    return GenerateIntoDefaultArea(type, generate, prompts).has_value();
}

bool FlashImage::WriteImageToDisk(const std::string& target, UserPrompts& prompts)
{
    if (!m_image)
        return false;
    const DropImageAtEnd drop(*this);
    return WriteSavedFile(target, *m_image, prompts);
}

bool FlashImage::SaveDefaultDatabaseThroughImage(const std::string& target, ProjectType type,
                                                 const DefaultDatabaseGenerator& generate, UserPrompts& prompts)
{
    if (m_path.empty()) {
        prompts.Message(kCantFindUpgradeBinMessage);
        return false;
    }
    const DropImageAtEnd drop(*this);
    std::size_t streamLength = 0;
    const DefaultDatabaseGenerator measured = [&generate, &streamLength](std::span<std::uint8_t> destination) {
        const std::optional<std::size_t> length = generate ? generate(destination) : std::nullopt;
        streamLength = length.value_or(0);
        return length;
    };
    const std::optional<std::size_t> written = GenerateIntoDefaultArea(type, measured, prompts);
    if (!written)
        return false;
    // The image's area may be larger than a default-database file's: such a file would be cut
    // when it is opened and written back, so it is not made.
    const std::size_t needed = type == ProjectType::ZUV_DVBS_V4 ? *written : streamLength;
    if (needed > DefaultFileBufferSize(type)) {
        prompts.Message(DefaultFileTooLargeMessage(needed, DefaultFileBufferSize(type)));
        return false;
    }
    const std::optional<ImageArea> area = DefaultArea();
    const std::span<const std::uint8_t> bytes =
        std::span(*m_image).subspan(static_cast<std::size_t>(area->offset), *written);
    return WriteSavedFile(target, bytes, prompts);
}

bool FlashImage::Save(DatabaseChunk from, const SaveInputs& inputs, UserPrompts& prompts)
{
    if (m_path.empty())
        return false;
    if (from == DatabaseChunk::Default && !AgreeToCut(m_path, inputs, inputs.withOrder))
        return false;
    const DropImageAtEnd drop(*this);
    const bool written = from == DatabaseChunk::User
        ? WriteUserDatabaseIntoImage(inputs.createUserDataImage, inputs.databaseRegionLength, prompts)
        : WriteDefaultArea(inputs.projectType, WithOrder(inputs, inputs.withOrder), prompts);
    return written && WriteImageToDisk(m_path, prompts);
}

SaveResult FlashImage::SaveChosenChunks(const std::string& target, const SaveInputs& inputs, UserPrompts& prompts)
{
    const std::optional<ChunkChoice> choice =
        prompts.ChooseChunks(kSaveChunkCaption,
                             ChunkChoice{inputs.openedFrom == DatabaseChunk::Default,
                                         inputs.openedFrom == DatabaseChunk::User},
                             false);
    if (!choice || (!choice->defaultChunk && !choice->userChunk))
        return SaveResult::NothingDone;
    if (choice->defaultChunk && !AgreeToCut(target, inputs, true))
        return SaveResult::NothingDone;
    const DropImageAtEnd drop(*this);
    // Written into an image the default database always takes the with-order form.
    if (choice->defaultChunk && !WriteDefaultArea(inputs.projectType, WithOrder(inputs, true), prompts))
        return SaveResult::Failed;
    if (choice->userChunk
        && !WriteUserDatabaseIntoImage(inputs.createUserDataImage, inputs.databaseRegionLength, prompts))
        return SaveResult::Failed;
    return WriteImageToDisk(target, prompts) ? SaveResult::Saved : SaveResult::Failed;
}

SaveResult FlashImage::SaveWithChunkChoice(const SaveInputs& inputs, UserPrompts& prompts)
{
    if (m_path.empty())
        return SaveResult::NothingDone;
    return SaveChosenChunks(m_path, inputs, prompts);
}

SaveResult FlashImage::SaveAs(const std::string& target, const SaveInputs& inputs, UserPrompts& prompts)
{
    if (m_path.empty())
        return SaveResult::NothingDone;
    switch (SaveAsKindOf(target)) {
    case SaveAsKind::Bin: {
        const SaveResult result = SaveChosenChunks(target, inputs, prompts);
        if (result == SaveResult::Saved)
            m_path = target;
        return result;
    }
    case SaveAsKind::Ddf:
    case SaveAsKind::Df2: {
        const bool withOrder = SaveAsKindOf(target) == SaveAsKind::Df2;
        if (!AgreeToCut(target, inputs, withOrder))
            return SaveResult::NothingDone;
        return SaveDefaultDatabaseThroughImage(target, inputs.projectType, WithOrder(inputs, withOrder), prompts)
            ? SaveResult::Saved
            : SaveResult::Failed;
    }
    case SaveAsKind::Txt:
        if (!inputs.exportText)
            return SaveResult::NothingDone;
        return inputs.exportText(target) ? SaveResult::Saved : SaveResult::Failed;
    case SaveAsKind::Csv:  // the document writes its CSV files itself
    case SaveAsKind::Other:
        break;
    }
    return SaveResult::NothingDone;
}

} // namespace torvane
