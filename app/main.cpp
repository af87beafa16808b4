// Process entry: the window layer starts the toolkit and calls OwlMain.
#include "app/TestyApp.h"
#include "platform/ui/Application.h"

int main(int argc, char** argv) {
  // The frame's window class name, as other programs look the window up by it.
  kvn::SetProgramClass(kvn::WString(u"KvnViewer-QUARN"));
  return kvn::RunOwlMain(argc, argv, &kvn::OwlMain);
}
