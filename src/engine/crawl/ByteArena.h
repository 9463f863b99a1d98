#pragma once

#include <cstddef>
#include <memory>
#include <vector>

// Room for many short byte strings in large blocks: one allocation per block
// instead of one per string, and no header per string. What it hands out
// stays where it is until the arena goes.
class TByteArena {
public:
    TByteArena() = default;
    TByteArena(const TByteArena&) = delete;
    TByteArena& operator=(const TByteArena&) = delete;

    // Room for Size bytes, for the caller to fill.
    char* Allocate(size_t Size);

private:
    char* NewBlock(size_t Size);

    std::vector<std::unique_ptr<char[]>> FBlocks;
    char* FFree = nullptr;
    size_t FLeft = 0;
};
