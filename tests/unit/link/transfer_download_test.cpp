#include "link/download_procedure.h"

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <ostream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "database/chunk_chain.h"
#include "fake_receiver.h"
#include "link/external_compressor.h"
#include "link/qt_serial_line.h"
#include "link/verify_procedure.h"
#include "sim_peer.h"
#include "support/scratch_folder.h"
#include "support/transfer_recorder.h"
#include "util/byte_order.h"

namespace torvane {
namespace {

using namespace std::chrono_literals;
using test::BuiltChunk;
using test::ChunkOf;
using test::MakeTestImage;
using test::PcSide;
using test::ScratchFolder;
using test::SimPeer;
using test::TestImage;
using test::TransferRecorder;

constexpr std::size_t kFlashSize = 0x80000;

std::vector<std::uint8_t> Build(const TestImage& shape)
{
    return MakeTestImage(shape).Build(kFlashSize);
}

std::string TitleVersion(int generation)
{
    // Receivers before generation 33 report no version and are driven as 16.
    const int version = generation < 33 ? 16 : generation;
    return std::to_string(version / 16) + "." + std::to_string(version % 16);
}

std::vector<std::string> GreetingEvents(int generation)
{
    return {"show TestPort Test serial port status",
            "finish TestPort Finished",
            "show CollectInfo Collect STB information",
            "title Download (PC --> STB) (Transfer protocol version: " + TitleVersion(generation) + ")",
            "finish CollectInfo Finished"};
}

std::vector<std::string> Concat(std::vector<std::string> a, const std::vector<std::string>& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// --- downloads that work ---------------------------------------------------------------------

struct ChunkChoice {
    const char* name;
    bool defaultChunk;
    bool userChunk;
};

struct DownloadCase {
    int generation;
    ChunkChoice choice;
};

void PrintTo(const DownloadCase& c, std::ostream* os)
{
    *os << c.generation << " " << c.choice.name;
}

class Download : public ::testing::TestWithParam<DownloadCase> {};

TEST_P(Download, ReplacesTheChosenChunksAndKeepsTheOthers)
{
    const auto [generation, choice] = GetParam();
    const TestImage receiverShape{};
    const TestImage fileShape{100};
    const std::vector<std::uint8_t> receiverFlash = Build(receiverShape);
    const std::vector<std::uint8_t> file = Build(fileShape);
    ScratchFolder folder;
    folder.Write("image.bin", file);

    SimPeer peer(receiverFlash, test::Setup(generation));
    TransferRecorder record;
    PcSide pc(peer.PcLine(), record.Callbacks());
    DownloadProcedure download(pc.session, {folder.Path("image.bin"), choice.defaultChunk, choice.userChunk});
    EXPECT_EQ(download.Run(), TransferOutcome::Succeeded);
    EXPECT_FALSE(peer.PcLine().IsOpen());

    const auto layout = MakeTestImage(receiverShape);
    std::vector<std::uint8_t> expected = receiverFlash;
    std::vector<std::string> steps{"show DownloadToSdram Downloading to sdram"};
    std::uint64_t sentBytes = 0;
    if (choice.defaultChunk) {
        const BuiltChunk chunk = ChunkOf(layout, test::kDefaultChunkId);
        expected = test::WithChunkFrom(expected, file, chunk);
        steps.push_back("show DownloadToSdram Download to sdram(Default Database)");
        sentBytes += chunk.next;
    }
    if (choice.userChunk) {
        const BuiltChunk chunk = ChunkOf(layout, test::kUserChunkId);
        expected = test::WithChunkFrom(expected, file, chunk);
        steps.push_back("show DownloadToSdram Download to sdram(User Database)");
        sentBytes += chunk.length + 16;
    }
    steps.insert(steps.end(), {"finish DownloadToSdram Finished", "show BurnFlash Burning to flash",
                               "finish BurnFlash Finished", "cancel off"});
    EXPECT_EQ(record.events, Concat(GreetingEvents(generation), steps));
    EXPECT_TRUE(peer.StoppedFlash() == expected) << "the receiver's flash is not the expected one";

    ASSERT_EQ(record.speeds.size(), 1u);
    EXPECT_EQ(record.speeds[0].verb, "Sent");
    EXPECT_EQ(record.speeds[0].bytes, sentBytes);
    // Everything sent went over the line at least once, plus framing or echoes.
    EXPECT_GT(record.speeds[0].wireBytes, sentBytes);
    // Both bars end full.
    int lastTransfer = -1;
    int lastBurn = -1;
    for (const auto& p : record.progress)
        (p.bar == kTransferBar ? lastTransfer : lastBurn) = p.percent;
    EXPECT_EQ(lastTransfer, 100);
    EXPECT_EQ(lastBurn, 100);

    const std::vector<SentChunk> sent = download.SentChunks();
    ASSERT_EQ(sent.size(), static_cast<std::size_t>(choice.defaultChunk) + choice.userChunk);
}

const ChunkChoice kChoices[] = {{"Default", true, false}, {"User", false, true}, {"Both", true, true}};

std::vector<DownloadCase> AllDownloadCases()
{
    std::vector<DownloadCase> cases;
    for (const int generation : {48, 33, 16}) {
        for (const ChunkChoice& choice : kChoices)
            cases.push_back({generation, choice});
    }
    return cases;
}

INSTANTIATE_TEST_SUITE_P(Generations, Download, ::testing::ValuesIn(AllDownloadCases()), [](const auto& info) {
    return "Generation" + std::to_string(info.param.generation) + info.param.choice.name;
});

TEST(DownloadCompressed, SendsLzmaDataThatTheReceiverUnpacks)
{
    const TestImage receiverShape{};
    const std::vector<std::uint8_t> receiverFlash = Build(receiverShape);
    const std::vector<std::uint8_t> file = Build({7});
    ScratchFolder folder;
    folder.Write("image.bin", file);
    SimPeer peer(receiverFlash, test::Setup(48));
    TransferRecorder record;
    PcSide pc(peer.PcLine(), record.Callbacks(), {}, true);
    ASSERT_EQ(DownloadProcedure(pc.session, {folder.Path("image.bin"), true, true}).Run(), TransferOutcome::Succeeded)
        << ::testing::PrintToString(record.events);
    EXPECT_TRUE(peer.StoppedFlash() == test::AfterDownload(receiverShape, receiverFlash, file, true, true));
    // The user chunk's erased reserve packs well, so fewer bytes crossed the line than were sent.
    ASSERT_EQ(record.speeds.size(), 1u);
    EXPECT_LT(record.speeds[0].wireBytes, record.speeds[0].bytes);
}

// An encoder that fails after writing half an archive: the chunks go plain and arrive whole.
TEST(DownloadCompressed, AFailingEncoderSendsPlain)
{
    const TestImage receiverShape{};
    const std::vector<std::uint8_t> receiverFlash = Build(receiverShape);
    const std::vector<std::uint8_t> file = Build({9});
    ScratchFolder folder;
    folder.Write("image.bin", file);
    const std::string script = "#!/bin/sh\nprintf 'half an archive' > \"$3\"\nexit 1\n";
    folder.Write("encoder.sh", std::vector<std::uint8_t>(script.begin(), script.end()));
    std::filesystem::permissions(folder.Path("encoder.sh"), std::filesystem::perms::owner_all);
    SimPeer peer(receiverFlash, test::Setup(48));
    TransferRecorder record;
    PcSide pc(peer.PcLine(), record.Callbacks());
    pc.lib.SetCompression(ExternalCompressor(folder.Path("encoder.sh")));
    EXPECT_EQ(DownloadProcedure(pc.session, {folder.Path("image.bin"), true, true}).Run(), TransferOutcome::Succeeded)
        << ::testing::PrintToString(record.events);
    EXPECT_TRUE(peer.StoppedFlash() == test::AfterDownload(receiverShape, receiverFlash, file, true, true));
}

// Chunks whose data runs to their last byte, with no erased bytes at the end: a chunk sent short
// would leave erased bytes in the receiver.
test::FlashImageBuilder FullChunks(std::uint32_t seed)
{
    using test::kChunkHeaderSize;
    using test::PatternBytes;
    test::FlashImageBuilder builder;
    builder.AddChunk({test::kBootChunkId, PatternBytes(0x700, seed + 1, false), 0, false, {"boot", "1.0", ""}});
    builder.AddChunk({test::kCodeChunkId, PatternBytes(0x2400, seed + 2, false), 0, true, {"code", "4.7", ""}});
    builder.AddChunk({test::kDefaultChunkId, PatternBytes(0x3000 - kChunkHeaderSize, seed + 3, false), 0, true,
                      {"default db", "1", ""}});
    std::vector<std::uint8_t> user(0x10000, 0xFF);
    const std::vector<std::uint8_t> records = PatternBytes(0x6000 - kChunkHeaderSize, seed + 4, false);
    user.insert(user.end(), records.begin(), records.end());
    builder.AddChunk({test::kUserChunkId, std::move(user), 0, true, {"user db", "2", ""}, 0x01});
    return builder;
}

TEST(DownloadFullChunks, EveryByteOfBothChunksArrives)
{
    const test::FlashImageBuilder layout = FullChunks(0);
    const std::vector<std::uint8_t> receiverFlash = layout.Build(kFlashSize);
    const std::vector<std::uint8_t> file = FullChunks(40).Build(kFlashSize);
    const BuiltChunk defaultChunk = ChunkOf(layout, test::kDefaultChunkId);
    const BuiltChunk userChunk = ChunkOf(layout, test::kUserChunkId);
    ASSERT_EQ(defaultChunk.next, defaultChunk.length + 16);
    for (const std::size_t end : {defaultChunk.offset + defaultChunk.next, userChunk.offset + userChunk.length + 16})
        ASSERT_NE(file[end - 1], 0xFF) << "the chunk ending at " << end << " ends in erased bytes";
    ScratchFolder folder;
    folder.Write("image.bin", file);
    SimPeer peer(receiverFlash, test::Setup(48));
    TransferRecorder record;
    PcSide pc(peer.PcLine(), record.Callbacks());
    ASSERT_EQ(DownloadProcedure(pc.session, {folder.Path("image.bin"), true, true}).Run(), TransferOutcome::Succeeded);
    const std::vector<std::uint8_t> expected =
        test::WithChunkFrom(test::WithChunkFrom(receiverFlash, file, defaultChunk), file, userChunk);
    EXPECT_TRUE(peer.StoppedFlash() == expected);
}

// --- the image against the receiver's chunks -------------------------------------------------

struct ImageCheckCase {
    const char* name;
    TestImage receiver;
    TestImage file;
    const char* fileName;
    bool defaultChunk;
    bool userChunk;
    bool succeeds;
};

void PrintTo(const ImageCheckCase& c, std::ostream* os)
{
    *os << c.name;
}

class ImageCheck : public ::testing::TestWithParam<ImageCheckCase> {};

TEST_P(ImageCheck, RefusesWhatDoesNotFitBeforeAnyTransfer)
{
    const ImageCheckCase& c = GetParam();
    const std::vector<std::uint8_t> receiverFlash = Build(c.receiver);
    ScratchFolder folder;
    folder.Write(c.fileName, Build(c.file));
    const std::string trace = folder.Path("trace.txt");
    {
        SimPeer peer(receiverFlash, test::Setup(48), trace);
        TransferRecorder record;
        PcSide pc(peer.PcLine(), record.Callbacks());
        const TransferOutcome outcome =
            DownloadProcedure(pc.session, {folder.Path(c.fileName), c.defaultChunk, c.userChunk}).Run();
        const std::vector<std::uint8_t> flash = peer.StoppedFlash();
        EXPECT_FALSE(pc.counting.IsOpen());
        if (c.succeeds) {
            EXPECT_EQ(outcome, TransferOutcome::Succeeded) << ::testing::PrintToString(record.events);
            EXPECT_TRUE(record.Messages().empty());
            return;
        }
        EXPECT_EQ(outcome, TransferOutcome::Failed);
        EXPECT_EQ(record.events, Concat(GreetingEvents(48), {"message Read Database Fail"}));
        EXPECT_TRUE(flash == receiverFlash);
    }
    // The receiver heard the greeting and the two queries, no address and no data.
    std::ifstream in(trace);
    std::stringstream text;
    text << in.rdbuf();
    EXPECT_NE(text.str().find("\"chunk\\r\""), std::string::npos);
    EXPECT_EQ(text.str().find("address"), std::string::npos);
    EXPECT_EQ(text.str().find("transfer"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ImageCheck,
    ::testing::Values(
        // The literal comparison of the image's default chunk extent with the receiver's default chunk
        // length would refuse this image of exactly the receiver's layout.
        ImageCheckCase{"SameLayoutDownloads", {}, {5}, "image.bin", true, true, true},
        ImageCheckCase{"FullerDefaultChunkOfTheSameExtentDownloads", {0, 0x3000, 0x6000},
                       {5, 0x3F80, 0x6000}, "image.bin", true, false, true},
        ImageCheckCase{"AbsNameDownloads", {}, {5}, "image.abs", true, false, true},
        ImageCheckCase{"LargerDefaultChunkIsRefused", {0, 0x3000, 0x6000}, {5, 0x3F81, 0x6000},
                       "image.bin", true, false, false},
        ImageCheckCase{"LargerDefaultChunkIsRefusedEvenWhenOnlyTheUserChunkGoes", {0, 0x3000, 0x6000},
                       {5, 0x5000, 0x6000}, "image.bin", false, true, false},
        ImageCheckCase{"LongerUserChunkIsRefused", {0, 0x3000, 0x6000}, {5, 0x3000, 0x6001},
                       "image.bin", false, true, false},
        ImageCheckCase{"LongerUserChunkIsRefusedEvenWhenOnlyTheDefaultChunkGoes", {0, 0x3000, 0x6000},
                       {5, 0x3000, 0x6001}, "image.bin", true, false, false},
        ImageCheckCase{"UpperCaseNameIsRefused", {}, {5}, "image.BIN", true, false, false},
        ImageCheckCase{"OtherNameIsRefused", {}, {5}, "image.bin.txt", true, false, false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ImageCheckFiles, BrokenOrMissingImagesAreRefused)
{
    const std::vector<std::uint8_t> receiverFlash = Build({});
    std::vector<std::uint8_t> brokenSecondId = Build({5});
    // The code chunk's identifier no longer adds up to FF in its top two bytes.
    WriteBe32(brokenSecondId.data() + 0x1000, 0x05FB0100);
    std::vector<std::uint8_t> badCrc = Build({5});
    badCrc[0x4000 + 200] ^= 0x01;
    ScratchFolder folder;
    folder.Write("broken.bin", brokenSecondId);
    folder.Write("badcrc.bin", badCrc);
    folder.Write("empty.bin", {});
    for (const char* name : {"broken.bin", "badcrc.bin", "empty.bin", "missing.bin"}) {
        SimPeer peer(receiverFlash, test::Setup(48));
        TransferRecorder record;
        PcSide pc(peer.PcLine(), record.Callbacks());
        EXPECT_EQ(DownloadProcedure(pc.session, {folder.Path(name), true, false}).Run(), TransferOutcome::Failed) << name;
        EXPECT_EQ(record.Messages(), std::vector<std::string>{"Read Database Fail"}) << name;
        EXPECT_TRUE(peer.StoppedFlash() == receiverFlash) << name;
    }
}

TEST(ImageCheckFiles, ChunkMissingOnEitherSideIsRefused)
{
    // An image with only the default chunk can't give a user chunk; a receiver without a default
    // chunk can't take one.
    test::FlashImageBuilder defaultOnly;
    defaultOnly.AddChunk({test::kDefaultChunkId, test::PatternBytes(0x3000, 9, false), 0, true, {}});
    test::FlashImageBuilder userOnly;
    std::vector<std::uint8_t> user(0x10000, 0xFF);
    userOnly.AddChunk({test::kUserChunkId, user, 0, true, {}, 0x01});
    ScratchFolder folder;
    folder.Write("default-only.bin", defaultOnly.Build(kFlashSize));
    folder.Write("typical.bin", Build({5}));
    struct Case {
        std::vector<std::uint8_t> receiver;
        const char* file;
        bool defaultChunk;
        bool userChunk;
    };
    const Case cases[] = {{Build({}), "default-only.bin", false, true},
                          {userOnly.Build(kFlashSize), "typical.bin", true, false}};
    for (const Case& c : cases) {
        SimPeer peer(c.receiver, test::Setup(48));
        TransferRecorder record;
        PcSide pc(peer.PcLine(), record.Callbacks());
        EXPECT_EQ(DownloadProcedure(pc.session, {folder.Path(c.file), c.defaultChunk, c.userChunk}).Run(),
                  TransferOutcome::Failed);
        EXPECT_EQ(record.Messages(), std::vector<std::string>{"Read Database Fail"}) << c.file;
        EXPECT_TRUE(peer.StoppedFlash() == c.receiver);
    }
}

// An image whose default chunk is shorter than the receiver's goes into the receiver's extent,
// erased after it, and takes the receiver's next-chunk offset, so the chain stays whole and the
// chunks after it stay where they were.
TEST(DownloadSmallerChunk, KeepsTheReceiversLayout)
{
    const TestImage receiverShape{0, 0x3000, 0x6000};
    const TestImage fileShape{5, 0x0800, 0x6000};
    const std::vector<std::uint8_t> receiverFlash = Build(receiverShape);
    const std::vector<std::uint8_t> file = Build(fileShape);
    const BuiltChunk receiverDefault = ChunkOf(MakeTestImage(receiverShape), test::kDefaultChunkId);
    const BuiltChunk fileDefault = ChunkOf(MakeTestImage(fileShape), test::kDefaultChunkId);
    ASSERT_LT(fileDefault.next, receiverDefault.next);
    ScratchFolder folder;
    folder.Write("image.bin", file);
    SimPeer peer(receiverFlash, test::Setup(48));
    TransferRecorder record;
    PcSide pc(peer.PcLine(), record.Callbacks());
    ASSERT_EQ(DownloadProcedure(pc.session, {folder.Path("image.bin"), true, false}).Run(), TransferOutcome::Succeeded);
    const std::vector<std::uint8_t> flash = peer.StoppedFlash();

    const ChunkWalk before = WalkChunks(receiverFlash, std::nullopt);
    const ChunkWalk after = WalkChunks(flash, std::nullopt);
    ASSERT_EQ(after.count, 4) << "the chain broke";
    ASSERT_TRUE(after.userChunk && after.defaultChunk);
    EXPECT_EQ(after.userChunk->offset, before.userChunk->offset);
    EXPECT_EQ(after.defaultChunk->offset, receiverDefault.offset);
    EXPECT_EQ(after.defaultChunk->header.nextOffset, receiverDefault.next);
    EXPECT_EQ(after.defaultChunk->header.length, fileDefault.length);
    EXPECT_EQ(after.defaultChunk->check, ChunkCheck::Ok);
    // The image's chunk data, then erased flash up to the receiver's next chunk.
    const auto at = flash.begin() + static_cast<std::ptrdiff_t>(receiverDefault.offset);
    EXPECT_TRUE(std::equal(at + 16, at + fileDefault.length + 16,
                           file.begin() + static_cast<std::ptrdiff_t>(fileDefault.offset) + 16));
    EXPECT_TRUE(std::all_of(at + fileDefault.next, at + receiverDefault.next, [](std::uint8_t b) { return b == 0xFF; }));
}

// --- refusals by the receiver ----------------------------------------------------------------

// A receiver of generation 48 that answers everything and refuses the one command whose text
// starts with `refused`; `heard` sees every command before it is answered.
void ServeRefusing(test::FakeReceiver& r, const std::string& refused, const std::vector<std::uint8_t>& infoBlock,
                   const std::function<void(const std::string&)>& heard = {})
{
    while (!r.Stopping()) {
        if (r.ReadEchoedCommand(20) != "comtest 18\r")
            continue;
        std::vector<std::uint8_t> greeting = r.ReadBytes(18, 500);
        for (auto& b : greeting)
            b = static_cast<std::uint8_t>(~b);
        r.WriteBytes(greeting);
        break;
    }
    r.Serve([&](const Packet& packet) {
        if (packet.kind == PacketKind::Data) {
            r.ReplyStatus(packet, 0, packet.Index());
            return;
        }
        const std::string text = test::TextOf(packet);
        if (heard)
            heard(text);
        if (!refused.empty() && text.starts_with(refused))
            r.ReplyStatus(packet, 1, 0x10000);
        else if (text == "version\r")
            r.ReplyData(packet, 0, test::Be32Bytes(48));
        else if (text == "chunk\r")
            r.ReplyData(packet, 0, infoBlock);
        else if (text == "burn\r") {
            r.ReplyStatus(packet, 0, 0);
            r.ReplyStatus(packet, 3, 0);
        }
        else
            r.ReplyStatus(packet, 0, 0);
    });
}

struct RefusalCase {
    const char* name;
    const char* refused;
    std::vector<std::string> lastEvents; // after the greeting
};

void PrintTo(const RefusalCase& c, std::ostream* os)
{
    *os << c.name;
}

class Refusal : public ::testing::TestWithParam<RefusalCase> {};

TEST_P(Refusal, EndsWithTheStepsMessage)
{
    const RefusalCase& c = GetParam();
    const std::vector<std::uint8_t> flash = Build({});
    ScratchFolder folder;
    folder.Write("image.bin", flash);
    const std::vector<std::uint8_t> info = sim::ReceiverFlash(flash, {}).InfoBlock(0);
    test::FakeReceiver r;
    r.Start([&](test::FakeReceiver& self) { ServeRefusing(self, c.refused, info); });
    TransferRecorder record;
    TransferSession session(r.Lib(), nullptr, PcSide::Settings(), record.Callbacks(), {}, PcSide::NoPauses());
    r.Lib().SetCompression(test::NoCompression);
    const TransferOutcome outcome = DownloadProcedure(session, {folder.Path("image.bin"), true, false}).Run();
    r.Stop();
    EXPECT_FALSE(r.PcLine().IsOpen());
    const std::vector<std::string> head{"show TestPort Test serial port status", "finish TestPort Finished"};
    EXPECT_EQ(record.events, Concat(head, c.lastEvents));
    EXPECT_EQ(outcome, c.lastEvents.back() == "cancel off" ? TransferOutcome::Succeeded : TransferOutcome::Failed);
}

const std::vector<std::string> kInfoEvents{"show CollectInfo Collect STB information",
                                           "title Download (PC --> STB) (Transfer protocol version: 3.0)",
                                           "finish CollectInfo Finished"};

INSTANTIATE_TEST_SUITE_P(
    Commands, Refusal,
    ::testing::Values(
        RefusalCase{"Nothing", "",
                    Concat(kInfoEvents,
                           {"show DownloadToSdram Downloading to sdram",
                            "show DownloadToSdram Download to sdram(Default Database)",
                            "finish DownloadToSdram Finished", "show BurnFlash Burning to flash",
                            "finish BurnFlash Finished", "cancel off"})},
        RefusalCase{"Version", "version",
                    {"show CollectInfo Collect STB information", "message Fail to get version."}},
        RefusalCase{"Address", "address", Concat(kInfoEvents, {"message Set address fail"})},
        RefusalCase{"Move", "move",
                    Concat(kInfoEvents, {"show DownloadToSdram Downloading to sdram", "message Download sdram fail."})},
        RefusalCase{"Transfer", "transfer",
                    Concat(kInfoEvents,
                           {"show DownloadToSdram Downloading to sdram",
                            "show DownloadToSdram Download to sdram(Default Database)",
                            "message Download sdram fail."})},
        RefusalCase{"Burn", "burn",
                    Concat(kInfoEvents,
                           {"show DownloadToSdram Downloading to sdram",
                            "show DownloadToSdram Download to sdram(Default Database)",
                            "finish DownloadToSdram Finished", "show BurnFlash Burning to flash",
                            "message Burn flash fail"})}),
    [](const auto& info) { return std::string(info.param.name); });

// A line that opens but never gets a byte out.
class DeadLine final : public SerialLine {
public:
    bool Open(const std::string&, const LineSettings&) override { return m_open = true; }
    void Close() override { m_open = false; }
    bool IsOpen() const override { return m_open; }
    std::size_t Write(std::span<const std::uint8_t>) override { return 0; }
    std::size_t InQueue() override { return 0; }
    std::size_t ReadAvailable(std::span<std::uint8_t>) override { return 0; }
    bool PurgeInput() override { return true; }
    bool PurgeOutput() override { return true; }

private:
    bool m_open = false;
};

TEST(DownloadLine, UnansweredGreetingAndUnopenablePort)
{
    {
        DeadLine line;
        TransferRecorder record;
        PcSide pc(line, record.Callbacks());
        EXPECT_EQ(DownloadProcedure(pc.session, {"image.bin", true, false}).Run(), TransferOutcome::Failed);
        EXPECT_EQ(record.events,
                  (std::vector<std::string>{"show TestPort Test serial port status", "message Fail to test port."}));
        EXPECT_FALSE(line.IsOpen());
    }
    {
        QtSerialLine line;
        TransferRecorder record;
        UpgradeLib lib(line);
        SerialSettings settings;
        settings.devicePath = "/nonexistent/ttyTorvane";
        TransferSession session(lib, nullptr, settings, record.Callbacks(), {}, PcSide::NoPauses());
        EXPECT_EQ(DownloadProcedure(session, {"image.bin", true, false}).Run(), TransferOutcome::Failed);
        EXPECT_EQ(record.events, std::vector<std::string>{"message can not open port"});
    }
}

// --- cancel ------------------------------------------------------------------------------------

class DownloadCancel : public ::testing::TestWithParam<int> {};

TEST_P(DownloadCancel, MidTransferEndsQuietlyAndBurnsNothing)
{
    const std::vector<std::uint8_t> receiverFlash = Build({0, 0x3000, 0x10000});
    ScratchFolder folder;
    folder.Write("image.bin", Build({3, 0x3000, 0x10000}));
    // The line runs at 115200 baud so that the cancel lands in the middle of the user chunk.
    auto [pcEnd, receiverEnd] = MemoryLine::CreatePair(115200);
    sim::ReceiverSim sim(sim::ReceiverFlash(receiverFlash, {}), *receiverEnd, test::Setup(GetParam()));
    sim.Start();
    TransferRecorder record;
    std::chrono::steady_clock::time_point cancelledAt;
    bool cancelled = false;
    auto callbacks = record.Callbacks();
    const auto recordProgress = callbacks.progress;
    callbacks.progress = [&](int bar, int percent, std::uint64_t total) {
        recordProgress(bar, percent, total);
        if (bar == kTransferBar && percent >= 3 && !cancelled) {
            cancelled = true;
            cancelledAt = std::chrono::steady_clock::now();
        }
    };
    PcSide pc(*pcEnd, callbacks, [&] { return cancelled; });
    EXPECT_EQ(DownloadProcedure(pc.session, {folder.Path("image.bin"), false, true}).Run(), TransferOutcome::Cancelled);
    const auto ended = std::chrono::steady_clock::now();
    ASSERT_TRUE(cancelled);
    EXPECT_LT(ended - cancelledAt, 1s);
    EXPECT_FALSE(pcEnd->IsOpen());
    EXPECT_TRUE(record.Messages().empty());
    EXPECT_EQ(record.events.back(), "show DownloadToSdram Download to sdram(User Database)");
    sim.Stop();
    EXPECT_TRUE(std::equal(receiverFlash.begin(), receiverFlash.end(), sim.Flash().Bytes().begin()));
}

INSTANTIATE_TEST_SUITE_P(Generations, DownloadCancel, ::testing::Values(48, 33));

// Only the default chunk goes: the boot and code chunks are moved before it, the user chunk after
// it. A cancel during a move stops the step there, also during the last move: the receiver hears
// nothing more and never burns.
TEST(DownloadCancelMoves, NothingFollowsTheCancelledMove)
{
    const std::vector<std::uint8_t> flash = Build({});
    ScratchFolder folder;
    folder.Write("image.bin", flash);
    const std::vector<std::uint8_t> info = sim::ReceiverFlash(flash, {}).InfoBlock(0);
    for (const int cancelledMove : {1, 3}) {
        std::atomic<int> moves{0};
        test::FakeReceiver r;
        r.Start([&](test::FakeReceiver& self) {
            ServeRefusing(self, "", info, [&](const std::string& text) {
                if (text.starts_with("move "))
                    ++moves;
            });
        });
        TransferRecorder record;
        TransferSession session(r.Lib(), nullptr, PcSide::Settings(), record.Callbacks(),
                                [&] { return moves >= cancelledMove; }, PcSide::NoPauses());
        r.Lib().SetCompression(test::NoCompression);
        EXPECT_EQ(DownloadProcedure(session, {folder.Path("image.bin"), true, false}).Run(), TransferOutcome::Cancelled);
        r.Stop();
        std::vector<std::string> commands;
        for (const Packet& packet : r.received) {
            if (packet.kind == PacketKind::Command)
                commands.push_back(test::TextOf(packet));
        }
        const auto move = std::find_if(commands.begin(), commands.end(), [&, seen = 0](const std::string& text) mutable {
            return text.starts_with("move ") && ++seen == cancelledMove;
        });
        ASSERT_NE(move, commands.end()) << cancelledMove;
        EXPECT_EQ(std::vector<std::string>(move + 1, commands.end()), std::vector<std::string>{}) << cancelledMove;
        EXPECT_TRUE(record.Messages().empty());
        EXPECT_FALSE(r.PcLine().IsOpen());
    }
}

TEST(DownloadCancelGreeting, CancelDuringTheGreetingShowsNoMessage)
{
    DeadLine line;
    TransferRecorder record;
    PcSide pc(line, record.Callbacks(), [] { return true; });
    EXPECT_EQ(DownloadProcedure(pc.session, {"image.bin", true, false}).Run(), TransferOutcome::Cancelled);
    EXPECT_EQ(record.events, std::vector<std::string>{"show TestPort Test serial port status"});
}

// --- faults --------------------------------------------------------------------------------------

struct FaultCase {
    const char* name;
    int generation;
    sim::FaultSettings faults;
};

void PrintTo(const FaultCase& c, std::ostream* os)
{
    *os << c.name;
}

class DownloadFaults : public ::testing::TestWithParam<FaultCase> {};

// With a faulty receiver the flash ends up exactly as wanted, or the run fails with one of the
// download's messages and the flash is either untouched or (when only the answer to the burn got
// lost) exactly as wanted.
TEST_P(DownloadFaults, ExactOrFailedWithTheMessage)
{
    const FaultCase& c = GetParam();
    const TestImage shape{};
    const std::vector<std::uint8_t> receiverFlash = Build(shape);
    const std::vector<std::uint8_t> file = Build({11});
    ScratchFolder folder;
    folder.Write("image.bin", file);
    const std::vector<std::uint8_t> expected = test::AfterDownload(shape, receiverFlash, file, true, true);

    SimPeer peer(receiverFlash, test::Setup(c.generation, c.faults));
    TransferRecorder record;
    PcSide pc(peer.PcLine(), record.Callbacks());
    const TransferOutcome outcome = DownloadProcedure(pc.session, {folder.Path("image.bin"), true, true}).Run();
    const std::vector<std::uint8_t> flash = peer.StoppedFlash();
    EXPECT_FALSE(pc.counting.IsOpen());
    if (outcome == TransferOutcome::Succeeded) {
        EXPECT_TRUE(record.Messages().empty());
        EXPECT_TRUE(flash == expected);
        return;
    }
    ASSERT_EQ(outcome, TransferOutcome::Failed);
    const std::vector<std::string> messages = record.Messages();
    ASSERT_EQ(messages.size(), 1u);
    const std::vector<std::string> known{"Fail to test port.", "Fail to get version.", "Set address fail",
                                         "Download sdram fail.", "Burn flash fail"};
    EXPECT_NE(std::find(known.begin(), known.end(), messages[0]), known.end()) << messages[0];
    EXPECT_TRUE(flash == receiverFlash || flash == expected);
}

INSTANTIATE_TEST_SUITE_P(
    Faults, DownloadFaults,
    ::testing::Values(FaultCase{"PacketBitFlips", 48, test::Faults(1, 0.02, 0, 0)},
                      FaultCase{"PacketGarbage", 48, test::Faults(2, 0, 0, 0.1)},
                      FaultCase{"PacketLostReplies", 48, test::Faults(3, 0, 0.01, 0)},
                      FaultCase{"PacketStalls", 48, test::Faults(4, 0, 0, 0, 0.03, 300)},
                      FaultCase{"LegacyBitFlips", 33, test::Faults(5, 0.002, 0, 0)},
                      FaultCase{"LegacyGarbage", 33, test::Faults(6, 0, 0, 0.002)},
                      FaultCase{"OldestStalls", 16, test::Faults(7, 0, 0, 0, 0.002, 50)}),
    [](const auto& info) { return std::string(info.param.name); });

// --- the check after a download ----------------------------------------------------------------

TEST(Verify, ReadsBackWhatWasSent)
{
    const std::vector<std::uint8_t> receiverFlash = Build({});
    ScratchFolder folder;
    folder.Write("image.bin", Build({21}));
    SimPeer peer(receiverFlash, test::Setup(48));
    TransferRecorder record;
    PcSide pc(peer.PcLine(), record.Callbacks());
    DownloadProcedure download(pc.session, {folder.Path("image.bin"), true, true});
    ASSERT_EQ(download.Run(), TransferOutcome::Succeeded);
    record.events.clear();
    VerifyProcedure verify(pc.session, download.SentChunks());
    EXPECT_EQ(verify.Run(), TransferOutcome::Succeeded);
    EXPECT_EQ(record.Messages(),
              (std::vector<std::string>{"Verified: the default database chunk matches what was sent (16384 bytes)",
                                        "Verified: the user database chunk matches what was sent (90240 bytes)"}));
    EXPECT_FALSE(pc.counting.IsOpen());
}

TEST(VerifyCompare, FindsTheFirstDifference)
{
    const std::vector<std::uint8_t> flash = Build({});
    const BuiltChunk user = ChunkOf(MakeTestImage({}), test::kUserChunkId);
    const auto userBytes = [&](std::size_t count) {
        const auto at = flash.begin() + static_cast<std::ptrdiff_t>(user.offset);
        return std::vector<std::uint8_t>(at, at + static_cast<std::ptrdiff_t>(count));
    };
    std::vector<std::uint8_t> changed = userBytes(user.length + 16);
    changed[0x10005] ^= 0x40;
    struct Case {
        SentChunk sent;
        bool matches;
        std::string text;
    };
    const Case cases[] = {
        {{test::kUserChunkId, userBytes(user.length + 16)}, true,
         "Verified: the user database chunk matches what was sent (90240 bytes)"},
        {{test::kUserChunkId, changed}, false,
         "Verify failed: the user database chunk differs from what was sent at byte 65541"},
        // Sent up to the end of the flash.
        {{test::kUserChunkId, userBytes(kFlashSize - user.offset)}, true,
         "Verified: the user database chunk matches what was sent (" + std::to_string(kFlashSize - user.offset)
             + " bytes)"},
        {{0x07F80000, {1, 2, 3}}, false, "Verify failed: no chunk 07F80000 in the receiver's flash"},
    };
    for (const Case& c : cases) {
        const VerifyProcedure::ChunkResult result = VerifyProcedure::CompareChunk(flash, c.sent);
        EXPECT_EQ(result.matches, c.matches) << c.text;
        EXPECT_EQ(result.text, c.text);
    }
    std::vector<std::uint8_t> tooLong = userBytes(kFlashSize - user.offset);
    tooLong.push_back(0xFF);
    const VerifyProcedure::ChunkResult cut =
        VerifyProcedure::CompareChunk(flash, {test::kUserChunkId, tooLong});
    EXPECT_FALSE(cut.matches);
    EXPECT_EQ(cut.text, "Verify failed: the user database chunk ends " + std::to_string(kFlashSize - user.offset)
                            + " bytes into what was sent");
}

} // namespace
} // namespace torvane
