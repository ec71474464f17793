#include "commands/command_table.h"

#include <algorithm>
#include <array>

#include "commands/basic_commands.h"
#include "commands/decomposition_commands.h"
#include "commands/elementwise_commands.h"
#include "commands/factor_commands.h"
#include "commands/product_commands.h"

namespace kelvaro {

namespace {

// Button, handler, hint, action, result kind, handler function. The hints keep their
// original spacing: they are shown as they are.
constexpr std::array kCommands = std::to_array<CommandInfo>({
    {"SpeedButton11", "SpeedButton11Click", "Matrix  A", "A", 0, SpeedButton11Click},
    {"SpeedButton12", "SpeedButton12Click", "Matrix  B", "B", 0, SpeedButton12Click},
    {"SpeedButton13", "SpeedButton13Click", "Matrix A Plus Matrix B", "A+B", 0, SpeedButton13Click},
    {"SpeedButton9", "SpeedButton9Click", "Matrix A minus Matrix B", "A-B", 0, SpeedButton9Click},
    {"SpeedButton14", "SpeedButton14Click", "Matrix Transpose", "A'", 0, SpeedButton14Click},
    {"SpeedButton15", "SpeedButton15Click", "Matrix Transpose", "B'", 0, SpeedButton15Click},
    {"SpeedButton16", "SpeedButton16Click", "Matrix  A  multiply   x", "A*x", 0,
     SpeedButton16Click},
    {"SpeedButton17", "SpeedButton17Click", "Matrix  B  multiply   x", "B*x", 0,
     SpeedButton17Click},
    {"SpeedButton45", "SpeedButton45Click", "Fill A with x", "fill-a", -1, SpeedButton45Click},
    {"SpeedButton47", "SpeedButton47Click", "Fill B with x", "fill-b", -1, SpeedButton47Click},
    {"SpeedButton19", "SpeedButton19Click", "Dimension of Matrix A", "Dim(A)", 2,
     SpeedButton19Click},
    {"SpeedButton20", "SpeedButton20Click", "Dimension of Matrix B", "Dim(B)", 2,
     SpeedButton20Click},
    {"SpeedButton24", "SpeedButton24Click", "Sum of diagonal elements", "Trace(A)", 1,
     SpeedButton24Click},
    {"SpeedButton25", "SpeedButton25Click", "Sum of diagonal elements", "Trace(B)", 1,
     SpeedButton25Click},
    {"SpeedButton46", "SpeedButton46Click", "Array multiply ;", "A.*B", 0, SpeedButton46Click},
    {"SpeedButton52", "SpeedButton52Click", "Array divide", "A./B", 0, SpeedButton52Click},
    {"SpeedButton21", "SpeedButton21Click", "Element-wise logical AND", "A&B", 0,
     SpeedButton21Click},
    {"SpeedButton22", "SpeedButton22Click", "Element-wise logical OR", "A|B", 0,
     SpeedButton22Click},
    {"SpeedButton23", "SpeedButton23Click", "Logical EXCLUSIVE OR;  XOR ", "A#B", 0,
     SpeedButton23Click},
    {"SpeedButton39", "SpeedButton39Click", "Matrix multiply", "A*B", 0, SpeedButton39Click},
    {"SpeedButton40", "SpeedButton40Click", "A'*B", "A'*B", 0, SpeedButton40Click},
    {"SpeedButton18", "SpeedButton18Click", "Matrix inverse", "inv(A)", 0, SpeedButton18Click},
    {"SpeedButton38", "SpeedButton38Click", "Matrix inverse", "inv(B)", 0, SpeedButton38Click},
    {"SpeedButton49", "SpeedButton49Click", "matrix A divide matrix B;      A*inv(B)  ", "A/B", 0,
     SpeedButton49Click},
    {"SpeedButton2", "SpeedButton2Click", "inv(A)*B", "inv(A)*B", 0, SpeedButton2Click},
    {"SpeedButton32", "SpeedButton32Click", "Determinant of Matrix A", "Det(A)", 1,
     SpeedButton32Click},
    {"SpeedButton37", "SpeedButton37Click", "Determinant of Matrix B", "Det(B)", 1,
     SpeedButton37Click},
    {"SpeedButton34", "SpeedButton34Click", "Rank of Matrix A ", "Rank(A)", 1, SpeedButton34Click},
    {"SpeedButton35", "SpeedButton35Click", "Rank of Matrix B", "Rank(B)", 1, SpeedButton35Click},
    {"SpeedButton29", "SpeedButton29Click", "LU factorization; A=LU", "LU(A)", 4,
     SpeedButton29Click},
    {"SpeedButton30", "SpeedButton30Click", "LU factorization; B=LU", "LU(B)", 4,
     SpeedButton30Click},
    {"SpeedButton26", "SpeedButton26Click", "Orthogonal-triangular decomposition;  A=QR", "QR(A)",
     3, SpeedButton26Click},
    {"SpeedButton28", "SpeedButton28Click", "Orthogonal-triangular decomposition; B=QR", "QR(B)", 3,
     SpeedButton28Click},
    {"SpeedButton33", "SpeedButton33Click", "Eigenvalues of Matrix A", "Eig(A)", 7,
     SpeedButton33Click},
    {"SpeedButton43", "SpeedButton43Click", "Eigenvalues of Matrix B", "Eig(B)", 7,
     SpeedButton43Click},
    {"SpeedButton41", "SpeedButton41Click", "Singular value decomposition; A=USV", "Svd(A)", 6,
     SpeedButton41Click},
    {"SpeedButton42", "SpeedButton42Click", "Singular value decomposition; B=USV", "Svd(B)", 6,
     SpeedButton42Click},
    {"SpeedButton31", "SpeedButton31Click", "Cholesky factorization;  A=LDL'", "Chol(A)", 5,
     SpeedButton31Click},
    {"SpeedButton36", "SpeedButton36Click", "Cholesky factorization;    B=LDL'", "Chol(B)", 5,
     SpeedButton36Click},
    {"SpeedButton27", "SpeedButton27Click", "Matrix power", "A^x", 0, SpeedButton27Click},
    {"SpeedButton44", "SpeedButton44Click", "Matrix power", "B^x", 0, SpeedButton44Click},
    {"SpeedButton50", "SpeedButton50Click", "Norm of Matrix A", "Norm(A)", 1, SpeedButton50Click},
    {"SpeedButton51", "SpeedButton51Click", "Norm of Matrix B", "Norm(B)", 1, SpeedButton51Click},
});

static_assert(kCommands.size() == 43, "the operation panel has 43 operation buttons");
static_assert(std::ranges::none_of(kCommands,
                                   [](const CommandInfo& c) { return c.run == nullptr; }),
              "every operation button has its handler");

}  // namespace

std::span<const CommandInfo> commandTable() {
  return kCommands;
}

const CommandInfo* findCommandByAction(std::string_view action) {
  for (const auto& c : kCommands)
    if (action == c.action) return &c;
  return nullptr;
}

const CommandInfo* findCommandByButton(std::string_view button) {
  for (const auto& c : kCommands)
    if (button == c.button) return &c;
  return nullptr;
}

}  // namespace kelvaro
