// The program's entry: no command-line arguments; start-up and shut-down run
// around the main window procedure.

#include "data/startup.h"

int main() {
  return qvn::data::run_program([] {});
}
