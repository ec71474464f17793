#include "shell/client_area.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

#include "shell/MyImgBtn.h"
#include "shell/Unit1.h"
#include "shell/command_toolbar.h"
#include "shell/form_splitter.h"
#include "shell/operation_panel.h"
#include "shell/panes.h"
#include "shell/parameter_panel.h"
#include "shell/skinned_frame.h"

namespace kelvaro::shell {

ClientArea buildClientArea(TForm1& form, const SkinnedFrame& frame, const WindowMenus& menus) {
  ClientArea area;
  QWidget* Panel1 = frame.client();
  auto* client = new QVBoxLayout(Panel1);
  client->setContentsMargins(0, 0, 0, 0);
  client->setSpacing(0);
  area.ToolBar2 = new CommandToolBar(form, menus, frame.skin("ImageTool"), Panel1);
  client->addWidget(area.ToolBar2);

  auto* columns = new QHBoxLayout;
  columns->setSpacing(0);
  client->addLayout(columns, 1);
  area.Panel6 = new OperandColumn(menus.PopupMenu1, menus.PopupMenu2, Panel1);
  area.Splitter1 = new FormSplitter(Qt::Vertical, area.Panel6, Panel1);
  area.Splitter1->setObjectName("Splitter1");
  area.Splitter1->setFixedWidth(ClientArea::kColumnSplitterWidth);
  area.Splitter1->setCanResize([&form](int n) { return form.Splitter1CanResize(n); });
  area.Panel2 = new QWidget(Panel1);
  area.Panel2->setObjectName("Panel2");
  columns->addWidget(area.Panel6);
  columns->addWidget(area.Splitter1);
  columns->addWidget(area.Panel2, 1);

  auto* row = new QHBoxLayout(area.Panel2);
  row->setContentsMargins(0, 0, 0, 0);
  row->setSpacing(0);
  area.Panel4 = new ResultPanel(frame, menus.PopupMenu3, area.Panel2);
  area.Panel3 = new OperationPanel(menus.PopupMenu7, area.Panel2);
  row->addWidget(area.Panel4, 1);
  row->addWidget(area.Panel3);

  const ResultPanel& result = *area.Panel4;
  QObject::connect(result.hideParametersButton(), &TImgBtn::clicked, &form, &TForm1::ImgBtnUpClick);
  QObject::connect(result.showParametersButton(), &TImgBtn::clicked, &form, &TForm1::ImgBtnUpClick);
  QObject::connect(result.hideOperationsButton(), &TImgBtn::clicked, &form,
                   &TForm1::ImgBtnRightShowClick);
  QObject::connect(result.showOperationsButton(), &TImgBtn::clicked, &form,
                   &TForm1::ImgBtnLeftShowClick);
  QObject::connect(result.parameters(), &ParameterPanel::formatClicked, &form,
                   &TForm1::RadioGroup1Click);
  QObject::connect(result.parameters(), &ParameterPanel::precisionChanged, &form,
                   &TForm1::ComboBox1Change);
  QObject::connect(area.Panel3, &OperationPanel::operationClicked, &form, &TForm1::runOperation);
  QObject::connect(area.Panel3, &OperationPanel::autoClicked, &form, &TForm1::Auto1Click);
  return area;
}

}  // namespace kelvaro::shell
