// The tandemix window program.
#include <QApplication>
#include <QMessageBox>

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName("Tandemix");
  QMessageBox::information(nullptr, "Tandemix",
                           "The Tandemix window is not built yet; use tandemix-cli for now.");
  return 0;
}
