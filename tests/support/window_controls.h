#pragma once

#include <QAction>
#include <QCheckBox>
#include <QFrame>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <stdexcept>
#include <string>

#include "chart/chart.h"
#include "ui/popup_menu.h"
#include "ui/text_grid.h"
#include "ui/up_down.h"

namespace fendrel {

// A control of a window found by its unique object name, as the window's
// design tells controls apart.
template <typename T>
T* Control(const QObject& window, const char* name) {
  auto* found = dynamic_cast<T*>(window.findChild<QObject*>(QString::fromLatin1(name)));
  if (found == nullptr) throw std::logic_error(std::string("no control named ") + name);
  return found;
}

// The main window's controls that tests and benchmarks drive or look at.
struct WindowControls {
  explicit WindowControls(const QObject& w)
      : ClientArea(Control<QWidget>(w, "ClientArea")),
        GroupBox1(Control<QGroupBox>(w, "GroupBox1")),
        Edit1(Control<QLineEdit>(w, "Edit1")),
        UpDown1(Control<TUpDown>(w, "UpDown1")),
        opRandomSample(Control<QCheckBox>(w, "opRandomSample")),
        Button1(Control<QPushButton>(w, "Button1")),
        btPlot(Control<QPushButton>(w, "btPlot")),
        Button3(Control<QPushButton>(w, "Button3")),
        Edit2(Control<QLineEdit>(w, "Edit2")),
        UpDown2(Control<TUpDown>(w, "UpDown2")),
        rbMA(Control<QRadioButton>(w, "rbMA")),
        rbKNN(Control<QRadioButton>(w, "rbKNN")),
        cbKNN(Control<QCheckBox>(w, "cbKNN")),
        Button2(Control<QPushButton>(w, "Button2")),
        Panel1(Control<QFrame>(w, "Panel1")),
        GroupBox3(Control<QGroupBox>(w, "GroupBox3")),
        sgTest(Control<TStringGrid>(w, "sgTest")),
        chTest(Control<TChart>(w, "chTest")),
        sgWave(Control<TStringGrid>(w, "sgWave")),
        chWave(Control<TChart>(w, "chWave")),
        Open1(Control<QAction>(w, "Open1")),
        Save1(Control<QAction>(w, "Save1")),
        CopyData1(Control<QAction>(w, "CopyData1")),
        CopyChart1(Control<QAction>(w, "CopyChart1")),
        CopyModel1(Control<QAction>(w, "CopyModel1")),
        PastData1(Control<QAction>(w, "PastData1")),
        PopupMenu1(Control<TPopupMenu>(w, "PopupMenu1")),
        Copy1(Control<QAction>(w, "Copy1")),
        Past1(Control<QAction>(w, "Past1")),
        PopupMenu2(Control<TPopupMenu>(w, "PopupMenu2")),
        Copy2(Control<QAction>(w, "Copy2")) {}

  QWidget* ClientArea;
  QGroupBox* GroupBox1;
  QLineEdit* Edit1;
  TUpDown* UpDown1;
  QCheckBox* opRandomSample;
  QPushButton* Button1;
  QPushButton* btPlot;
  QPushButton* Button3;
  QLineEdit* Edit2;
  TUpDown* UpDown2;
  QRadioButton* rbMA;
  QRadioButton* rbKNN;
  QCheckBox* cbKNN;
  QPushButton* Button2;
  QFrame* Panel1;
  QGroupBox* GroupBox3;
  TStringGrid* sgTest;
  TChart* chTest;
  TStringGrid* sgWave;
  TChart* chWave;
  QAction* Open1;
  QAction* Save1;
  QAction* CopyData1;
  QAction* CopyChart1;
  QAction* CopyModel1;
  QAction* PastData1;
  TPopupMenu* PopupMenu1;
  QAction* Copy1;
  QAction* Past1;
  TPopupMenu* PopupMenu2;
  QAction* Copy2;
};

}  // namespace fendrel
