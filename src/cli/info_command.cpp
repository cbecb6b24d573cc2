#include <cstdio>
#include <string>

#include "cli/cli_document.h"
#include "database/chunk_chain.h"

// torvane-cli info FILE

namespace torvane {
namespace {

std::string_view CheckText(ChunkCheck check)
{
    switch (check) {
    case ChunkCheck::Ok:
        return "ok";
    case ChunkCheck::NoCheck:
        return "ncrc";
    default:
        return "bad";
    }
}

std::string_view StopText(WalkStop stop)
{
    switch (stop) {
    case WalkStop::ChainEnd:
        return "the last chunk";
    case WalkStop::CantOpen:
        return "the file cannot be read";
    case WalkStop::ShortHeader:
        return "a chunk header is cut by the end of the file";
    case WalkStop::BadIdentifier:
        return "a chunk identifier breaks the pairing rule";
    case WalkStop::NextOverLimit:
        return "a next-chunk offset lies beyond 0x200000";
    case WalkStop::NextTooSmall:
        return "a next-chunk offset is smaller than its chunk";
    case WalkStop::BadCheck:
        return "a chunk's CRC does not match or its data is missing";
    }
    return "";
}

std::string ChunkLine(const WalkedChunk& chunk, ChunkCheck check)
{
    char line[160];
    std::snprintf(line, sizeof line, "chunk 0x%08X offset=0x%llX length=0x%X next=0x%X check=%s\n",
                  static_cast<unsigned>(chunk.header.identifier), static_cast<unsigned long long>(chunk.offset),
                  static_cast<unsigned>(chunk.header.length), static_cast<unsigned>(chunk.header.nextOffset),
                  std::string(CheckText(check)).c_str());
    return line;
}

} // namespace

int RunInfoCommand(CliContext& context, CommandArgs args)
{
    CliArguments arguments;
    if (!arguments.Parse(args, {}, {}) || arguments.Positional().size() != 1) {
        context.Fail(arguments.Error().empty() ? "info: expected FILE" : "info: " + arguments.Error());
        return kExitUsage;
    }
    const std::string& path = arguments.Positional()[0];
    bool opened = false;
    if (SaveAsKindOf(path) == SaveAsKind::Bin) {
        const ChunkWalk walk = WalkChunks(path, kOpenWalkLimit);
        std::string lines;
        for (const WalkedChunk& chunk : walk.chunks)
            lines += ChunkLine(chunk, chunk.check);
        if (walk.rejected)
            lines += ChunkLine(*walk.rejected, ChunkCheck::Bad);
        Print(context.Out(), lines);
        if (walk.stop != WalkStop::ChainEnd)
            context.Fail("the chunk chain ends early: " + std::string(StopText(walk.stop)));
        for (const DatabaseChunk chunk : {DatabaseChunk::User, DatabaseChunk::Default}) {
            const std::unique_ptr<Document> document = NewCliDocument(context);
            if (!document)
                return kExitFailure;
            if (OpenCliFile(context, *document, path, chunk)) {
                Print(context.Out(), DatabaseCountsLine(chunk == DatabaseChunk::User ? "user" : "default", *document));
                opened = true;
            }
        }
    } else {
        const std::unique_ptr<Document> document = NewCliDocument(context);
        if (!document)
            return kExitFailure;
        if (OpenCliFile(context, *document, path, DatabaseChunk::Default)) {
            Print(context.Out(), DatabaseCountsLine("default", *document));
            opened = true;
        }
    }
    return opened ? kExitOk : kExitFailure;
}

} // namespace torvane
