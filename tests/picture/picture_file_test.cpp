// kelvaro-cli's pictures, read back as a viewer reads them.
#ifdef KELVARO_PICTURES

#include <gtest/gtest.h>

#include <QFont>
#include <QImage>

#include "cli/cli_session.h"
#include "drawing/matrix_picture.h"
#include "tests/support/scratch_directory.h"

namespace kelvaro {
namespace {

TEST(PictureFile, DiagonalPaneAndResultAsPngAndSvg) {
  test_support::ScratchDirectory dir;
  const std::string a = dir.file("a.txt", "3 0 0 0\n0 -1 0 0\n0 0 2 0\n0 0 0 5\n");
  const std::string png = (dir.dir_ / "a.png").string(), svg = (dir.dir_ / "r.SVG").string();
  ProcessStreams streams;
  const std::vector<std::string> args = {"--a=" + a,
                                         "--picture-size=300x200",
                                         "picture-a=" + png,
                                         "inv(A)",
                                         "picture-result=" + svg,
                                         "Eig(A)",
                                         "picture-result=" + png + ".svg"};
  ASSERT_EQ(runCli(args, streams), 0);

  const QImage image(QString::fromStdString(png));
  ASSERT_EQ(image.size(), QSize(300, 200));
  const QRect plot = drawing::layoutPicture(image.rect(), QFont(), false).plot;
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c) {
      const QColor pixel = image.pixelColor(plot.x() + (2 * c + 1) * plot.width() / 8,
                                            plot.y() + (2 * r + 1) * plot.height() / 8);
      EXPECT_EQ(pixel == Qt::white, r != c) << r << "," << c;
      EXPECT_TRUE(r != c || (pixel.blue() > pixel.red()) == (r == 1)) << r;
    }
  const std::string text = test_support::ScratchDirectory::contentOf(svg);
  EXPECT_TRUE(text.starts_with("<?xml")) << text.substr(0, 40);
  EXPECT_NE(text.find("inv(A)"), std::string::npos);
  // After Eig, the plane the window's view shows first.
  const std::string plane = test_support::ScratchDirectory::contentOf(png + ".svg");
  EXPECT_NE(plane.find("Real part"), std::string::npos);
}

}  // namespace
}  // namespace kelvaro

#endif
