// What every fuzz target defines: the libFuzzer entry and its seeds (valid
// inputs made by our own writers, which the replay driver mutates).
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);
std::vector<std::vector<std::uint8_t>> KvnFuzzSeeds();

// The folder `sub` of the public sample drawings ($KVN_TESTDATA, else the
// checkout's ../shared/testdata; the root for an empty `sub`), for seeds
// beyond the built-in ones. Empty when it is missing; the gap is then
// recorded for KvnFuzzMissingSamples.
std::filesystem::path KvnFuzzSampleFolder(const std::string& sub);

// What KvnFuzzSampleFolder did not find, one description per call.
const std::vector<std::string>& KvnFuzzMissingSamples();
