#include "ui/import_dialog.h"

#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "platform/application.h"
#include "platform/busy_cursor.h"
#include "platform/job_runner.h"

namespace fendrel {

namespace {

struct DelimiterChoice {
  TTextDelimiter delimiter;
  const char* caption;
};

constexpr DelimiterChoice kDelimiters[] = {
    {tdComma, "Comma"},
    {tdSemicolon, "Semicolon"},
    {tdTab, "Tab"},
    {tdBlanks, "Spaces"},
    {tdCommaOrBlanks, "Comma or spaces"},
    {tdSemicolonOrBlanks, "Semicolon or spaces"},
};

// Wide texts show this many columns at most; the value column may lie beyond.
constexpr int kPreviewColumns = 200;

}  // namespace

TImportDialog::TImportDialog(TImportQuestion& question, QWidget* parent)
    : QDialog(parent),
      question_(question),
      layout_(question.layout),
      reader_(new TQtJobRunner(this)) {
  setWindowTitle(QStringLiteral("Import"));
  setModal(true);
  setSizeGripEnabled(true);

  preview_ = new QTableWidget(this);
  preview_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  preview_->setSelectionMode(QAbstractItemView::NoSelection);
  preview_->setTabKeyNavigation(false);
  preview_->verticalHeader()->setVisible(false);

  delimiter_ = new QComboBox(this);
  for (const DelimiterChoice& choice : kDelimiters) {
    // The program's own splittings are offered only to the texts they fit.
    const bool own = choice.delimiter == tdCommaOrBlanks || choice.delimiter == tdSemicolonOrBlanks;
    if (own && choice.delimiter != layout_.delimiter) continue;
    delimiter_->addItem(QString::fromLatin1(choice.caption),
                        QVariant(static_cast<int>(choice.delimiter)));
  }
  separator_ = new QComboBox(this);
  separator_->addItem(QStringLiteral("Full stop (.)"), QVariant(int{'.'}));
  separator_->addItem(QStringLiteral("Comma (,)"), QVariant(int{','}));
  header_ = new QSpinBox(this);
  header_->setRange(0, 1000);
  value_ = new QComboBox(this);
  counts_ = new QLabel(this);

  auto* form = new QFormLayout;
  const auto row = [&](const char* caption, QWidget* field) {
    auto* label = new QLabel(QString::fromLatin1(caption), this);
    label->setBuddy(field);
    form->addRow(label, field);
  };
  row("&Delimiter:", delimiter_);
  row("Decimal &separator:", separator_);
  row("&Header lines:", header_);
  row("&Value column:", value_);

  buttons_ = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  buttons_->button(QDialogButtonBox::Ok)->setDefault(true);
  connect(buttons_, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons_, &QDialogButtonBox::rejected, this, &QDialog::reject);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(preview_, 1);
  layout->addLayout(form);
  layout->addWidget(counts_);
  layout->addWidget(buttons_);

  updating_ = true;
  delimiter_->setCurrentIndex(
      std::max(0, delimiter_->findData(QVariant(static_cast<int>(layout_.delimiter)))));
  header_->setValue(layout_.headerLines);
  updating_ = false;
  ShowColumns();
  ReadAgain();

  connect(delimiter_, &QComboBox::currentIndexChanged, this, [this] {
    if (updating_) return;
    layout_.delimiter = static_cast<TTextDelimiter>(delimiter_->currentData().toInt());
    Describe();
  });
  connect(header_, &QSpinBox::valueChanged, this, [this](int lines) {
    if (updating_) return;
    layout_.headerLines = lines;
    Describe();
  });
  connect(separator_, &QComboBox::currentIndexChanged, this, [this] {
    if (updating_) return;
    layout_.decimalSeparator = static_cast<char>(separator_->currentData().toInt());
    ReadAgain();
  });
  connect(value_, &QComboBox::currentIndexChanged, this, [this](int column) {
    if (updating_ || column < 0) return;
    layout_.valueColumn = column;
    ReadAgain();
  });
  resize(560, 460);
  preview_->setFocus();
}

void TImportDialog::Describe() {
  DescribeColumns(question_.text, layout_);
  ShowColumns();
  ReadAgain();
}

void TImportDialog::ShowColumns() {
  const std::vector<std::vector<std::string>> rows =
      PreviewRows(question_.text, layout_, kPreviewRows);
  const int columns = std::min(layout_.columns, kPreviewColumns);
  preview_->clear();
  preview_->setColumnCount(columns);
  preview_->setRowCount(static_cast<int>(rows.size()));
  QStringList names;
  for (int c = 0; c < columns; ++c) {
    names << QString::fromStdString(layout_.columnNames[static_cast<std::size_t>(c)]);
  }
  preview_->setHorizontalHeaderLabels(names);
  for (int r = 0; r < static_cast<int>(rows.size()); ++r) {
    const auto& fields = rows[static_cast<std::size_t>(r)];
    for (int c = 0; c < std::min(columns, static_cast<int>(fields.size())); ++c) {
      preview_->setItem(
          r, c, new QTableWidgetItem(QString::fromStdString(fields[static_cast<std::size_t>(c)])));
    }
  }
  updating_ = true;
  value_->clear();
  for (const std::string& name : layout_.columnNames) value_->addItem(QString::fromStdString(name));
  value_->setCurrentIndex(layout_.valueColumn);
  updating_ = false;
}

TImportDialog::~TImportDialog() = default;

void TImportDialog::ReadAgain() {
  reader_->Cancel();
  read_.reset();
  counts_->setText(QStringLiteral("Reading..."));
  const std::string_view text = question_.text;
  const TTextLayout layout = layout_;
  const TTextSource source = question_.source;
  TJob job;
  job.what = "read the text";
  job.size = static_cast<std::int64_t>(text.size() / 8);
  job.compute = [this, text, layout, source](TProgress& /*progress*/) -> TJob::TApply {
    auto read = std::make_shared<TForeignRead>(ReadForeignText(text, layout, source));
    return [this, read] {
      read_ = std::move(*read);
      ShowRead();
    };
  };
  job.failed = [this](std::exception_ptr failure) {
    try {
      std::rethrow_exception(failure);
    } catch (const std::exception& known) {
      ShowException(this, known);
    }
  };
  reader_->Run(std::move(job));
}

void TImportDialog::ShowRead() {
  updating_ = true;
  separator_->setCurrentIndex(
      std::max(0, separator_->findData(QVariant(int{read_->decimalSeparator}))));
  updating_ = false;
  const auto highlight = layout_.valueColumn;
  for (int c = 0; c < preview_->columnCount(); ++c) {
    if (QTableWidgetItem* item = preview_->horizontalHeaderItem(c)) {
      QFont font = item->font();
      font.setBold(c == highlight);
      item->setFont(font);
    }
  }
  counts_->setText(QStringLiteral("%1 values, %2 missing values filled in")
                       .arg(read_->values)
                       .arg(read_->missing));
}

void TImportDialog::accept() {
  // A reading still under way is left to the command, which reads the text
  // by the layout chosen anyway.
  reader_->Cancel();
  question_.layout = layout_;
  question_.read = std::move(read_);
  QDialog::accept();
}

bool TWindowDialogs::AskImport(TImportQuestion& question) {
  const TBusyCursor::TPause pause;
  return TImportDialog::Run(question);
}

bool TImportDialog::Run(TImportQuestion& question) {
  TImportDialog dialog(question, QApplication::activeWindow());
  return dialog.exec() == QDialog::Accepted;
}

}  // namespace fendrel
