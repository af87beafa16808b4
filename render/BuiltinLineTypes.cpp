#include "render/BuiltinLineTypes.h"

#include "model/cAnyLine.h"

namespace kvn {

namespace {

constexpr BuiltinLineTypeRow kLineTypeRows[] = {
    {0, 0, {}},
    {0, 0, {}},
    {2, 0, {0.0, -3.0}},
    {2, 0, {0.5, -3.0}},
    {2, 0, {2.0, -3.0}},
    {2, 0, {6.0, -6.0}},
    {2, 0, {12.0, -18.0}},
    {2, 0, {12.0, -3.0}},
    {4, 0, {24.0, -3.0, 0.5, -3.0}},
    {6, 0, {24.0, -3.0, 0.5, -3.0, 0.5, -3.0}},
    {8, 0, {24.0, -3.0, 0.5, -3.0, 0.5, -3.0, 0.5, -3.0}},
    {4, 0, {24.0, -3.0, 6.0, -3.0}},
    {6, 0, {24.0, -3.0, 6.0, -3.0, 6.0, -3.0}},
    {4, 0, {12.0, -3.0, 0.5, -3.0}},
    {6, 0, {12.0, -3.0, 0.5, -3.0, 0.5, -3.0}},
    {8, 0, {12.0, -3.0, 0.5, -3.0, 0.5, -3.0, 0.5, -3.0}},
    {6, 0, {12.0, -3.0, 12.0, -3.0, 0.5, -3.0}},
    {8, 0, {12.0, -3.0, 12.0, -3.0, 0.5, -3.0, 0.5, -3.0}},
    {10, 0, {12.0, -3.0, 12.0, -3.0, 0.5, -3.0, 0.5, -3.0, 0.5, -3.0}},
};
static_assert(sizeof(kLineTypeRows) / sizeof(kLineTypeRows[0]) == kBuiltinDashTypes);

}  // namespace

const BuiltinLineTypeRow& BuiltinLineType(std::uint32_t row) { return row < kBuiltinDashTypes ? kLineTypeRows[row] : kLineTypeRows[0]; }

}  // namespace kvn
