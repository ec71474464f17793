#pragma once
// The text panes and the panels that hold them: the operand column (Panel6: Matrix A above
// Matrix B, with a splitter between them) and the Result panel (Panel4: its header with the
// collapse buttons, the Result pane, and the parameter panel at the bottom).

#include <QPoint>
#include <QWidget>

#include "shell/form_splitter.h"

class QLabel;
class QMenu;
class QPlainTextEdit;
class TImgBtn;

namespace kelvaro::shell {

class ParameterPanel;
class SkinnedFrame;

// The strip above a pane: the skin's backdrop, a bold caption as wide as its text and, after
// it, the size of the matrix the pane holds.
class PaneHeader : public QWidget {
 public:
  static constexpr int kHeight = 26;
  static constexpr QPoint kCaptionAt{4, 5};
  static constexpr int kCaptionHeight = 16;
  static constexpr int kCaptionPixels = 12;
  static constexpr int kSizeGap = 8;

  // The size is shown up to keepRight before the header's right end.
  PaneHeader(const char* name, const char* backdrop, const char* caption, const char* sizeName,
             QWidget* parent, int keepRight = 0);
  int captionRight() const;
  // The pane under the header takes its caption as its name ("Matrix A"), and so does the
  // pane's context menu.
  void names(QPlainTextEdit* pane, QMenu* contextMenu);
  // "3x4"; empty: none.
  void showSize(const QString& size);
  QLabel* sizeLabel() const { return size_; }

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  void placeSize();

  QLabel* caption_;
  QLabel* size_;
  QString sizeText_;
  int keepRight_;
};

class OperandColumn : public SplitControl {
 public:
  // Sizes at start; the splitters change them.
  static constexpr int kWidth = 349;
  static constexpr int kPaneAHeight = 224;
  static constexpr int kSplitterHeight = 7;
  // Both operand panes keep at least their header and a couple of lines.
  static constexpr int kMinPaneHeight = 60;
  // In a narrow window the column gives way down to this width (the splitter keeps it wider).
  static constexpr int kNarrowestWidth = 50;

  OperandColumn(QMenu* menuA, QMenu* menuB, QWidget* parent);

  QPlainTextEdit* paneA() const { return RichEdit1; }
  QPlainTextEdit* paneB() const { return RichEdit2; }
  PaneHeader* headerA() const { return Panel10; }
  PaneHeader* headerB() const { return Panel11; }

 private:
  SplitControl* Panel7 = nullptr;
  PaneHeader* Panel10 = nullptr;
  PaneHeader* Panel11 = nullptr;
  QWidget* Panel9 = nullptr;
  FormSplitter* Splitter2 = nullptr;
  QPlainTextEdit* RichEdit1 = nullptr;
  QPlainTextEdit* RichEdit2 = nullptr;
};

class ResultPanel : public QWidget {
 public:
  // The collapse buttons, from the header's right end: the pair that hides and shows the
  // parameter panel, then the pair for the operation panel.
  static constexpr int kParameterButtonsFromRight = 60;
  static constexpr int kOperationButtonsFromRight = 30;
  static constexpr QSize kCollapseButtonSize{23, 26};

  ResultPanel(const SkinnedFrame& frame, QMenu* menu, QWidget* parent);

  QPlainTextEdit* pane() const { return RichEdit3; }
  PaneHeader* header() const { return Panel5; }
  ParameterPanel* parameters() const { return Panel8; }
  TImgBtn* hideParametersButton() const { return ImgBtnUp; }
  TImgBtn* showParametersButton() const { return ImgBtnDown; }
  TImgBtn* hideOperationsButton() const { return ImgBtnRightShow; }
  TImgBtn* showOperationsButton() const { return ImgBtnLeftShow; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void placeCollapseButtons();

  PaneHeader* Panel5 = nullptr;
  QPlainTextEdit* RichEdit3 = nullptr;
  ParameterPanel* Panel8 = nullptr;
  TImgBtn* ImgBtnUp = nullptr;
  TImgBtn* ImgBtnDown = nullptr;
  TImgBtn* ImgBtnRightShow = nullptr;
  TImgBtn* ImgBtnLeftShow = nullptr;
};

}  // namespace kelvaro::shell
