// What every fuzz target defines: the libFuzzer entry and its seeds (valid
// inputs made by our own writers, which the replay driver mutates).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);
std::vector<std::vector<std::uint8_t>> KvnFuzzSeeds();
