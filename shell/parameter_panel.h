#pragma once
// Panel8, the parameter panel below the Result pane: the complex format (RadioGroup1) and
// the fields Coef.(x), Precision (ComboBox1), Row and Column. It only shows and edits them;
// the window exchanges their texts with the calculator. In a low window it gives up height
// and scrolls, and a field that takes the focus scrolls into view.

#include <QMargins>
#include <QScrollArea>

class QComboBox;
class QGroupBox;
class QLineEdit;
class QRadioButton;

namespace kelvaro::shell {

class ParameterPanel : public QScrollArea {
  Q_OBJECT
 public:
  static constexpr int kHeight = 132;
  // The least height it keeps in a low window: a row of fields.
  static constexpr int kLeastHeight = 48;
  static constexpr QMargins kMargins{8, 4, 8, 6};
  static constexpr int kSpacing = 8;
  static constexpr int kFieldColumnSpacing = 10;
  static constexpr int kFieldRowSpacing = 2;

  explicit ParameterPanel(QWidget* parent);
  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

  QLineEdit* coefEdit() const { return LabeledEdit1; }
  QLineEdit* rowEdit() const { return LabeledEdit2; }
  QLineEdit* columnEdit() const { return LabeledEdit3; }
  QComboBox* precisionBox() const { return ComboBox1; }
  // The complex format's items: 0 rectangular, 1 polar.
  QRadioButton* formatItem(int item) const { return radioItems_[item]; }

 signals:
  // A click on a format item, also on the one already chosen.
  void formatClicked();
  void precisionChanged();

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  void showFocusedField();

  QGroupBox* RadioGroup1 = nullptr;
  QRadioButton* radioItems_[2] = {nullptr, nullptr};
  QLineEdit* LabeledEdit1 = nullptr;
  QLineEdit* LabeledEdit2 = nullptr;
  QLineEdit* LabeledEdit3 = nullptr;
  QComboBox* ComboBox1 = nullptr;
};

}  // namespace kelvaro::shell
