#include "tests/support/PaperSpaceDxf.h"

#include <array>

#include "tests/support/DxfWriter.h"

namespace kvn::test {

std::string PaperSpaceOnlyDxf() {
  DxfWriter w;
  w.Section("HEADER").Str(9, "$ACADVER").Str(1, "AC1015").EndSection();
  w.Section("TABLES").Str(0, "TABLE").Str(2, "LAYER").Layer("0", 7).Layer("NOTES", 1).Str(0, "ENDTAB");
  w.Str(0, "TABLE").Str(2, "BLOCK_RECORD");
  w.Str(0, "BLOCK_RECORD").Str(5, "1F").Str(100, "AcDbSymbolTableRecord").Str(100, "AcDbBlockTableRecord");
  w.Str(2, "*Model_Space").Str(340, "22");
  w.Str(0, "BLOCK_RECORD").Str(5, "1B").Str(100, "AcDbSymbolTableRecord").Str(100, "AcDbBlockTableRecord");
  w.Str(2, "*Paper_Space").Str(340, "1E");
  w.Str(0, "ENDTAB").EndSection();
  w.Section("BLOCKS").Block("FRAME").Line("0", 0, 0, 40, 0).Line("0", 40, 0, 40, 30).Line("0", 40, 30, 0, 30);
  w.Line("0", 0, 30, 0, 0).EndBlock().EndSection();
  // Every entity owned by the paper-space record and flagged as paper space.
  auto head = [&](const char* name, const char* handle, const char* layer) {
    w.Str(0, name).Str(5, handle).Str(330, "1B").Str(100, "AcDbEntity").Int(67, 1).Str(8, layer);
  };
  w.Section("ENTITIES");
  // The paper's own viewport first, then one onto the (empty) model.
  head("VIEWPORT", "100", "0");
  w.Str(100, "AcDbViewport").Point(10, 148.5, 105).Real(40, 297).Real(41, 210).Int(69, 1);
  head("VIEWPORT", "101", "0");
  w.Str(100, "AcDbViewport").Point(10, 200, 60).Real(40, 60).Real(41, 40).Int(69, 2);
  w.Point(12, 0, 0).Real(45, 20);
  head("INSERT", "102", "0");
  w.Str(100, "AcDbBlockReference").Str(2, "FRAME").Point(10, 20, 20);
  head("TEXT", "103", "NOTES");
  w.Str(100, "AcDbText").Point(10, 20, 150).Real(40, 8).Str(1, "PAPER ONLY");
  head("LINE", "104", "NOTES");
  w.Str(100, "AcDbLine").Point(10, 10, 10).Point(11, 280, 190);
  head("MULTILEADER", "105", "NOTES");
  w.Str(100, "AcDbMLeader").Int(270, 2).Str(300, "CONTEXT_DATA{").Real(40, 1.0).Point(10, 120, 90).Real(41, 5.0);
  w.Int(290, 1).Str(304, "NOTE").Point(11, 0, 0, 1).Str(340, "0").Point(12, 120, 90).Point(13, 1, 0);
  w.Real(43, 0.0).Int(90, int(0xC0000000)).Int(171, 1).Real(141, 1.5).Int(292, 0).Int(295, 1).Int(296, 0);
  w.Point(110, 0, 0).Point(111, 1, 0).Point(112, 0, 1).Int(297, 0);
  w.Str(302, "LEADER{").Int(290, 1).Int(291, 1).Point(10, 118, 90).Point(11, 1, 0).Int(90, 0).Real(40, 2.0);
  w.Str(304, "LEADER_LINE{").Point(10, 80, 60).Int(91, 0).Str(305, "}").Int(271, 0).Str(303, "}");
  w.Str(301, "}").Str(340, "0").Int(90, 0).Int(170, 1).Real(41, 2.0).Real(42, 1.5).Int(172, 2).Int(292, 0);
  w.EndSection();
  w.Section("OBJECTS");
  w.Str(0, "LAYOUT").Str(5, "22").Str(330, "1A").Str(100, "AcDbPlotSettings").Str(1, "");
  w.Str(100, "AcDbLayout").Str(1, "Model").Int(70, 1).Int(71, 0).Str(330, "1F");
  w.Str(0, "LAYOUT").Str(5, "1E").Str(330, "1A").Str(100, "AcDbPlotSettings").Str(1, "");
  w.Str(100, "AcDbLayout").Str(1, "Sheet A").Int(70, 1).Int(71, 1).Str(330, "1B");
  w.EndSection().Eof();
  return w.Bytes();
}

std::string PaperSpaceBlockOnlyDxf() {
  DxfWriter w;
  w.Section("BLOCKS");
  auto block = [&](const char* name, const char* handle, const char* owner) {
    w.Str(0, "BLOCK").Str(5, handle).Str(330, owner).Str(100, "AcDbEntity").Str(8, "0");
    w.Str(100, "AcDbBlockBegin").Str(2, name).Int(70, 0).Point(10, 0, 0).Str(3, name);
  };
  auto end = [&](const char* handle, const char* owner) {
    w.Str(0, "ENDBLK").Str(5, handle).Str(330, owner).Str(100, "AcDbEntity").Str(8, "0").Str(100, "AcDbBlockEnd");
  };
  auto head = [&](const char* name, const char* handle, const char* owner) {
    w.Str(0, name).Str(5, handle).Str(330, owner).Str(100, "AcDbEntity").Str(8, "0");
  };
  block("*Model_Space", "20", "1F");
  end("21", "1F");
  block("*Paper_Space", "1C", "1B");
  head("VIEWPORT", "100", "1B");
  w.Str(100, "AcDbViewport").Point(10, 148.5, 105).Real(40, 297).Real(41, 210).Int(69, 1);
  head("VIEWPORT", "101", "1B");
  w.Str(100, "AcDbViewport").Point(10, 200, 60).Real(40, 60).Real(41, 40).Int(69, 2).Point(12, 0, 0).Real(45, 20);
  head("INSERT", "102", "1B");
  w.Str(100, "AcDbBlockReference").Str(2, "FRAME").Point(10, 20, 20);
  head("TEXT", "103", "1B");
  w.Str(100, "AcDbText").Point(10, 20, 150).Real(40, 8).Str(1, "PAPER IN ITS BLOCK");
  head("LINE", "104", "1B");
  w.Str(100, "AcDbLine").Point(10, 10, 10).Point(11, 280, 190);
  end("1D", "1B");
  block("*Paper_Space28", "2C", "2B");
  head("LINE", "200", "2B");
  w.Str(100, "AcDbLine").Point(10, 0, 0).Point(11, 100, 50);
  head("TEXT", "201", "2B");
  w.Str(100, "AcDbText").Point(10, 5, 40).Real(40, 5).Str(1, "SECOND LAYOUT");
  end("2D", "2B");
  block("FRAME", "30", "2F");
  for (auto [x1, y1, x2, y2] : {std::array{0, 0, 40, 0}, {40, 0, 40, 30}, {40, 30, 0, 30}, {0, 30, 0, 0}}) {
    w.Str(0, "LINE").Str(330, "2F").Str(100, "AcDbEntity").Str(8, "0").Str(100, "AcDbLine");
    w.Point(10, x1, y1).Point(11, x2, y2);
  }
  end("31", "2F");
  w.EndSection().Eof();
  return w.Bytes();
}

}  // namespace kvn::test
