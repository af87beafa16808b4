// The precompiled header of the test programs (kvn_test_code in
// cmake/KvnTargets.cmake): GoogleTest, the standard library and the project
// headers that most test files include. Parsing these took most of a test
// file's compile time. Test files still include what they use; this only
// makes it cheap.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <limits>
#include <map>
#include <memory>
#include <numbers>
#include <optional>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "foundation/ArchiveReader.h"
#include "foundation/ArchiveWriter.h"
#include "foundation/LangTable.h"
#include "foundation/MsgBox.h"
#include "foundation/WString.h"
#include "model/cDrawingData.h"
#include "model/cLine.h"
#include "tests/support/RecordFixtures.h"
#include "tests/support/TestData.h"
