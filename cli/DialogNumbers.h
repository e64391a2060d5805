// The numbers a command types into a module's options dialog, checked
// before the dialog opens. The dialog reads a field by its leading number
// and takes 0 when there is none, so "--range a b" would reach it as frames
// 0 to 0 and be refused for a reason that is not the mistake made.
#pragma once

#include <CLI/CLI.hpp>

// Refuses, as a wrong command line, a value of --range or --offset that is
// not a whole number the dialog can hold (32 bits), and a value of --size or
// --scale-factor that is not a finite number; options the command lacks are
// skipped.
void CheckDialogNumbers(CLI::App& command);
