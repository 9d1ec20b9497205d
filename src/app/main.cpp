#include <QApplication>

#include "app/app_main.h"

int main(int argc, char** argv) {
  return kv::RunEditor(argc, argv);
}
