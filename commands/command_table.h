#pragma once
// Every operation as data, in one place: its component's name, hint, label, handler, the
// result kind it sets and where it stands: a cell of the operation panel, or the Operations
// menu. The window builds its buttons and that menu's items from this table, kelvaro-cli
// finds its actions in it, Auto clicks through it, and the fuzz target, the thread and cancel
// tests and the manual's check take their operations from it; all run a command with
// CommandInfo::run. Adding an operation is a handler and one row here (CONTRIBUTING.md).

#include <algorithm>
#include <array>
#include <span>
#include <string_view>

#include "commands/basic_commands.h"
#include "commands/calc_state.h"
#include "commands/decomposition_commands.h"
#include "commands/echelon_commands.h"
#include "commands/elementwise_commands.h"
#include "commands/factor_commands.h"
#include "commands/product_commands.h"

namespace kelvaro {

// The work of a command after the common prelude: counts, label, size checks, reading, the
// routine and the result. Run it through CommandInfo::run, never on its own.
using CommandHandler = void (*)(CalcState&);

// The fill commands rewrite a pane and leave ResKind as it was.
inline constexpr int kKeepsResultKind = -1;

// A place on the operation panel's grid, or kInOperationsMenu.
struct GridCell {
  int row;
  int column;
  constexpr bool onPanel() const { return row >= 0; }
};
inline constexpr int kOperationGridRows = 11;
inline constexpr int kOperationGridColumns = 4;
// The panel is full (43 buttons and one free cell, as it has always been drawn): operations
// added since are items of the Operations menu beside File and Help, in the table's order.
inline constexpr GridCell kInOperationsMenu{-1, -1};
inline constexpr int kOperationButtons = 43;

struct CommandInfo {
  // The component's object name: SpeedButton13 on the panel; a menu item's is the project's
  // own (KronItem), never one made to look like a documented component.
  const char* button;
  const char* hint;    // tool tip, exactly as shown
  const char* action;  // kelvaro-cli action: the printed label ("A+B"), "A^x", "fill-a"
  int resultKind;      // ResKind the command sets (kRes...), or kKeepsResultKind
  CommandHandler handler;
  GridCell cell;  // or kInOperationsMenu

  // One click: align pane A, then pane B, set ResKind, then the handler. A conversion error
  // propagates as CalcError.
  void run(CalcState& state) const;
};

// In the order of the buttons' list; the hints keep their original spacing, as they are shown.
// On the panel each operation on A stands beside the same operation on B.
inline constexpr std::array kCommandTable = std::to_array<CommandInfo>({
    {"SpeedButton11", "Matrix  A", "A", kResMatrix, SpeedButton11Click, {0, 0}},
    {"SpeedButton12", "Matrix  B", "B", kResMatrix, SpeedButton12Click, {0, 1}},
    {"SpeedButton13", "Matrix A Plus Matrix B", "A+B", kResMatrix, SpeedButton13Click, {0, 2}},
    {"SpeedButton9", "Matrix A minus Matrix B", "A-B", kResMatrix, SpeedButton9Click, {0, 3}},
    {"SpeedButton14", "Matrix Transpose", "A'", kResMatrix, SpeedButton14Click, {1, 0}},
    {"SpeedButton15", "Matrix Transpose", "B'", kResMatrix, SpeedButton15Click, {1, 1}},
    {"SpeedButton16", "Matrix  A  multiply   x", "A*x", kResMatrix, SpeedButton16Click, {1, 2}},
    {"SpeedButton17", "Matrix  B  multiply   x", "B*x", kResMatrix, SpeedButton17Click, {1, 3}},
    {"SpeedButton45", "Fill A with x", "fill-a", kKeepsResultKind, SpeedButton45Click, {2, 0}},
    {"SpeedButton47", "Fill B with x", "fill-b", kKeepsResultKind, SpeedButton47Click, {2, 1}},
    {"SpeedButton19",
     "Dimension of Matrix A",
     "Dim(A)",
     kResDimensions,
     SpeedButton19Click,
     {2, 2}},
    {"SpeedButton20",
     "Dimension of Matrix B",
     "Dim(B)",
     kResDimensions,
     SpeedButton20Click,
     {2, 3}},
    {"SpeedButton24",
     "Sum of diagonal elements",
     "Trace(A)",
     kResScalar,
     SpeedButton24Click,
     {3, 0}},
    {"SpeedButton25",
     "Sum of diagonal elements",
     "Trace(B)",
     kResScalar,
     SpeedButton25Click,
     {3, 1}},
    {"SpeedButton46", "Array multiply ;", "A.*B", kResMatrix, SpeedButton46Click, {4, 0}},
    {"SpeedButton52", "Array divide", "A./B", kResMatrix, SpeedButton52Click, {4, 1}},
    {"SpeedButton21", "Element-wise logical AND", "A&B", kResMatrix, SpeedButton21Click, {5, 0}},
    {"SpeedButton22", "Element-wise logical OR", "A|B", kResMatrix, SpeedButton22Click, {5, 1}},
    {"SpeedButton23", "Logical EXCLUSIVE OR;  XOR ", "A#B", kResMatrix, SpeedButton23Click, {5, 2}},
    {"SpeedButton39", "Matrix multiply", "A*B", kResMatrix, SpeedButton39Click, {4, 2}},
    {"SpeedButton40", "A'*B", "A'*B", kResMatrix, SpeedButton40Click, {4, 3}},
    {"SpeedButton18", "Matrix inverse", "inv(A)", kResMatrix, SpeedButton18Click, {6, 0}},
    {"SpeedButton38", "Matrix inverse", "inv(B)", kResMatrix, SpeedButton38Click, {6, 1}},
    {"SpeedButton49",
     "matrix A divide matrix B;      A*inv(B)  ",
     "A/B",
     kResMatrix,
     SpeedButton49Click,
     {5, 3}},
    {"SpeedButton2", "inv(A)*B", "inv(A)*B", kResMatrix, SpeedButton2Click, {10, 2}},
    {"SpeedButton32", "Determinant of Matrix A", "Det(A)", kResScalar, SpeedButton32Click, {6, 2}},
    {"SpeedButton37", "Determinant of Matrix B", "Det(B)", kResScalar, SpeedButton37Click, {6, 3}},
    {"SpeedButton34", "Rank of Matrix A ", "Rank(A)", kResScalar, SpeedButton34Click, {7, 0}},
    {"SpeedButton35", "Rank of Matrix B", "Rank(B)", kResScalar, SpeedButton35Click, {7, 1}},
    {"SpeedButton29", "LU factorization; A=LU", "LU(A)", kResLU, SpeedButton29Click, {8, 0}},
    {"SpeedButton30", "LU factorization; B=LU", "LU(B)", kResLU, SpeedButton30Click, {8, 1}},
    {"SpeedButton26",
     "Orthogonal-triangular decomposition;  A=QR",
     "QR(A)",
     kResQR,
     SpeedButton26Click,
     {8, 2}},
    {"SpeedButton28",
     "Orthogonal-triangular decomposition; B=QR",
     "QR(B)",
     kResQR,
     SpeedButton28Click,
     {8, 3}},
    {"SpeedButton33",
     "Eigenvalues of Matrix A",
     "Eig(A)",
     kResEigenvalues,
     SpeedButton33Click,
     {10, 0}},
    {"SpeedButton43",
     "Eigenvalues of Matrix B",
     "Eig(B)",
     kResEigenvalues,
     SpeedButton43Click,
     {10, 1}},
    {"SpeedButton41",
     "Singular value decomposition; A=USV",
     "Svd(A)",
     kResSVD,
     SpeedButton41Click,
     {9, 2}},
    {"SpeedButton42",
     "Singular value decomposition; B=USV",
     "Svd(B)",
     kResSVD,
     SpeedButton42Click,
     {9, 3}},
    {"SpeedButton31",
     "Cholesky factorization;  A=LDL'",
     "Chol(A)",
     kResLDL,
     SpeedButton31Click,
     {9, 0}},
    {"SpeedButton36",
     "Cholesky factorization;    B=LDL'",
     "Chol(B)",
     kResLDL,
     SpeedButton36Click,
     {9, 1}},
    {"SpeedButton27", "Matrix power", "A^x", kResMatrix, SpeedButton27Click, {7, 2}},
    {"SpeedButton44", "Matrix power", "B^x", kResMatrix, SpeedButton44Click, {7, 3}},
    {"SpeedButton50", "Norm of Matrix A", "Norm(A)", kResScalar, SpeedButton50Click, {3, 2}},
    {"SpeedButton51", "Norm of Matrix B", "Norm(B)", kResScalar, SpeedButton51Click, {3, 3}},
    // The Operations menu, in this order.
    {"KronItem", "Kronecker product", "Kron(A,B)", kResMatrix, KronItemClick, kInOperationsMenu},
    {"RrefAItem", "Reduced row echelon form of Matrix A", "RREF(A)", kResMatrix, RrefAItemClick,
     kInOperationsMenu},
    {"RrefBItem", "Reduced row echelon form of Matrix B", "RREF(B)", kResMatrix, RrefBItemClick,
     kInOperationsMenu},
    {"NullAItem", "Null space of Matrix A: a basis, as columns", "Null(A)", kResMatrix,
     NullAItemClick, kInOperationsMenu},
    {"NullBItem", "Null space of Matrix B: a basis, as columns", "Null(B)", kResMatrix,
     NullBItemClick, kInOperationsMenu},
    {"SolveItem", "Every solution X of A*X = B", "Solve(A,B)", kResMatrix, SolveItemClick,
     kInOperationsMenu},
    {"CharPolyAItem", "Characteristic polynomial of Matrix A", "CharPoly(A)", kResMatrix,
     CharPolyAItemClick, kInOperationsMenu},
    {"CharPolyBItem", "Characteristic polynomial of Matrix B", "CharPoly(B)", kResMatrix,
     CharPolyBItemClick, kInOperationsMenu},
});

constexpr std::span<const CommandInfo> commandTable() {
  return kCommandTable;
}

// What its button or menu item says: the label, or for the fill commands what they do.
constexpr std::string_view captionOf(const CommandInfo& command) {
  const std::string_view action = command.action;
  if (action == "fill-a") return "Fill A";
  if (action == "fill-b") return "Fill B";
  return action;
}

// nullptr when no command has that action name or button name.
constexpr const CommandInfo* findCommandByAction(std::string_view action) {
  for (const auto& c : kCommandTable)
    if (action == c.action) return &c;
  return nullptr;
}
constexpr const CommandInfo* findCommandByButton(std::string_view button) {
  for (const auto& c : kCommandTable)
    if (button == c.button) return &c;
  return nullptr;
}

// For names fixed in the source: a name the table does not hold does not compile.
consteval const CommandInfo& commandOfButton(std::string_view button) {
  const CommandInfo* c = findCommandByButton(button);
  if (!c) throw "no operation button of that name";
  return *c;
}

namespace command_table_checks {

constexpr bool namesAreUnique() {
  for (std::size_t i = 0; i < kCommandTable.size(); ++i)
    for (std::size_t j = i + 1; j < kCommandTable.size(); ++j)
      if (std::string_view(kCommandTable[i].button) == kCommandTable[j].button ||
          std::string_view(kCommandTable[i].action) == kCommandTable[j].action)
        return false;
  return true;
}

constexpr bool cellsFitTheGridOnce() {
  std::array<std::array<bool, kOperationGridColumns>, kOperationGridRows> taken{};
  for (const CommandInfo& c : kCommandTable) {
    if (c.cell.row == kInOperationsMenu.row && c.cell.column == kInOperationsMenu.column) continue;
    if (c.cell.row < 0 || c.cell.row >= kOperationGridRows || c.cell.column < 0 ||
        c.cell.column >= kOperationGridColumns)
      return false;
    bool& cell = taken[c.cell.row][c.cell.column];
    if (cell) return false;
    cell = true;
  }
  return true;
}

// A new operation goes into the Operations menu (kInOperationsMenu): the panel stays as drawn.
static_assert(std::ranges::count_if(kCommandTable,
                                    [](const CommandInfo& c) { return c.cell.onPanel(); }) ==
                  kOperationButtons,
              "the operation panel has 43 operation buttons; new operations go into the menu");
static_assert(std::ranges::none_of(kCommandTable,
                                   [](const CommandInfo& c) { return c.handler == nullptr; }),
              "every operation button has its handler");
static_assert(namesAreUnique(), "button and action names name one command each");
static_assert(cellsFitTheGridOnce(), "each operation has a cell of its own on the panel");

}  // namespace command_table_checks

}  // namespace kelvaro
