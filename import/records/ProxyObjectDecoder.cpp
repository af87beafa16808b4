#include "import/records/ProxyObjectDecoder.h"

#include <atomic>

namespace kvn {

namespace {

std::atomic<ProxyObjectDecoder> gDecoder{nullptr};

}  // namespace

void SetProxyObjectDecoder(ProxyObjectDecoder decoder) { gDecoder.store(decoder); }

ProxyObjectDecoder GetProxyObjectDecoder() { return gDecoder.load(); }

}  // namespace kvn
