#include "engine/crawl/ByteArena.h"

namespace {

constexpr size_t BlockSize = size_t(256) << 10;

} // namespace

char* TByteArena::NewBlock(size_t Size)
{
    FBlocks.emplace_back(new char[Size]);
    return FBlocks.back().get();
}

char* TByteArena::Allocate(size_t Size)
{
    if (Size > FLeft) {
        // A long string gets a block of its own, so that the current block
        // is not left half empty.
        if (Size > BlockSize / 16)
            return NewBlock(Size);
        FFree = NewBlock(BlockSize);
        FLeft = BlockSize;
    }
    char* Room = FFree;
    FFree += Size;
    FLeft -= Size;
    return Room;
}
