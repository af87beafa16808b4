// Process entry: hands over to the application object at once.
#include "app/PlaceholderApp.h"

int main(int argc, char** argv) { return kvn::RunApplication(argc, argv); }
