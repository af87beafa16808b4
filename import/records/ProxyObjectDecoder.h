// The hook through which the dispatcher decodes the DWG object data that a
// proxy entity of a DXF file carries. The DWG reader installs its decoder
// here (InstallDwgObjectDecoder); without one, such proxies are dropped as
// not imported.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

namespace kvn {

class YxxfGroupRecord;

struct ProxyObjectData {
  std::span<const std::uint8_t> bytes;  // the 310 chunks, then the 311 chunks
  std::uint64_t dataBits = 0;           // object data size in bits (93)
  std::uint64_t handleBits = 0;         // size of the handle part in bits (96)
  std::uint64_t handle = 0;             // the proxy's own handle (5)
  const char* typeName = nullptr;       // the class's name
  int version = 0;                      // DWG release number of the data
  std::uint16_t codePage = 0;
  std::vector<std::uint64_t> handles;   // handles given after the data (330..369)
};

using ProxyObjectDecoder = std::unique_ptr<YxxfGroupRecord> (*)(const ProxyObjectData& data);

void SetProxyObjectDecoder(ProxyObjectDecoder decoder);
ProxyObjectDecoder GetProxyObjectDecoder();

}  // namespace kvn
