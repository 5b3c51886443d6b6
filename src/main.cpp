#include <QApplication>
#include <QMainWindow>

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QApplication::setApplicationName("Fendrel");
  QMainWindow window;
  window.setWindowTitle("Fendrel (Haars method)");
  window.show();
  return QApplication::exec();
}
