#pragma once
// The client area inside the frame (Panel1): the command tool bar on top; below it the
// operand column, the column splitter, and Panel2 with the Result panel beside the operation
// panel. Every control is wired to the window's slots.

class QWidget;
class TForm1;

namespace kelvaro::shell {

class CommandToolBar;
class FormSplitter;
class OperandColumn;
class OperationPanel;
class ResultPanel;
class SkinnedFrame;
struct WindowMenus;

struct ClientArea {
  static constexpr int kColumnSplitterWidth = 8;

  CommandToolBar* ToolBar2 = nullptr;
  OperandColumn* Panel6 = nullptr;
  FormSplitter* Splitter1 = nullptr;
  QWidget* Panel2 = nullptr;
  ResultPanel* Panel4 = nullptr;
  OperationPanel* Panel3 = nullptr;
};

ClientArea buildClientArea(TForm1& form, const SkinnedFrame& frame, const WindowMenus& menus);

}  // namespace kelvaro::shell
