// bexlo-preview: opens the preview window on a report output file.
//   bexlo-preview FILE [--landscape] [--zoom 30|50|75|100|page] [--page N] [--find TEXT]
//                 [--screenshot PNG]
// With --screenshot the window is drawn offscreen into a PNG and the program ends (no display
// needed); otherwise the window opens and the program ends when it is closed.
#include <QApplication>
#include <QCommandLineParser>
#include <QComboBox>
#include <QFileInfo>
#include <QImage>
#include <QPixmap>

#include <cstdio>
#include <iostream>

#include "util/exceptions.h"
#include "util/messages.h"
#include "util/ui_services.h"
#include "widgets/output/file_viewer.h"
#include "widgets/output/preview_form.h"
#include "widgets/platform/init_widgets.h"

int main(int argc, char** argv) {
  bool screenshot = false;
  for (int i = 1; i < argc; ++i) {
    const QByteArray arg(argv[i]);
    if (arg == "--screenshot" || arg.startsWith("--screenshot=")) screenshot = true;
  }
  const bool display = !qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
  if ((screenshot || !display) && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
    if (!screenshot) {
      std::cerr << "bexlo-preview: no display (DISPLAY or WAYLAND_DISPLAY is not set); use --screenshot PNG\n";
      return 1;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
  }

  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("bexlo-preview"));
  QCommandLineParser parser;
  parser.setApplicationDescription(QStringLiteral("Shows a report output file in the preview window."));
  parser.addHelpOption();
  parser.addPositionalArgument(QStringLiteral("FILE"), QStringLiteral("the report output file"));
  const QCommandLineOption landscape(QStringLiteral("landscape"), QStringLiteral("landscape pages"));
  const QCommandLineOption zoom(QStringLiteral("zoom"), QStringLiteral("30, 50, 75, 100 or page"), QStringLiteral("ZOOM"));
  const QCommandLineOption page(QStringLiteral("page"), QStringLiteral("the page shown first (1 = first)"), QStringLiteral("N"));
  const QCommandLineOption find(QStringLiteral("find"), QStringLiteral("find and mark TEXT"), QStringLiteral("TEXT"));
  const QCommandLineOption shot(QStringLiteral("screenshot"), QStringLiteral("draw the window into PNG and end"),
                                QStringLiteral("PNG"));
  parser.addOptions({landscape, zoom, page, find, shot});
  parser.process(app);
  if (parser.positionalArguments().size() != 1) {
    std::cerr << "bexlo-preview: give one output file\n";
    parser.showHelp(2);
  }
  int zoomItem = 0;
  if (parser.isSet(zoom)) {
    const QStringList items = {QStringLiteral("30"), QStringLiteral("50"), QStringLiteral("75"), QStringLiteral("100"),
                               QStringLiteral("page")};
    zoomItem = static_cast<int>(items.indexOf(parser.value(zoom)));
    if (zoomItem < 0) {
      std::cerr << "bexlo-preview: --zoom takes 30, 50, 75, 100 or page\n";
      return 2;
    }
  }

  bexlo::InitWidgets();
  bexlo::TQoPreviewForm form;
  try {
    // A name on the command line is taken in the current directory (the viewer would take a
    // bare name in the program's directory).
    form.SetFormParams(QFileInfo(parser.positionalArguments().constFirst()).absoluteFilePath().toStdString(),
                       parser.isSet(landscape) ? bexlo::TPrinterOrientation::poLandscape
                                               : bexlo::TPrinterOrientation::poPortrait,
                       true, 1);
  } catch (const bexlo::Exception& e) {
    if (screenshot) {
      std::cerr << "bexlo-preview: " << e.Message() << "\n";
    } else {
      bexlo::MessageDlg(e.Message(), bexlo::TMsgDlgType::mtError, bexlo::mbOK);
    }
    return 1;
  }
  form.show();
  QApplication::processEvents();
  if (zoomItem > 0) {
    form.ComboBox1()->setCurrentIndex(zoomItem);
    emit form.ComboBox1()->activated(zoomItem);
  }
  if (parser.isSet(page)) form.FileViewer1()->SetPage(parser.value(page).toInt() - 1);
  if (parser.isSet(find)) form.FindNext(parser.value(find).toStdString());
  if (screenshot) {
    QApplication::processEvents();
    const QString png = parser.value(shot);
    if (!form.grab().save(png, "PNG")) {
      std::cerr << "bexlo-preview: cannot write " << png.toStdString() << "\n";
      return 1;
    }
    return 0;
  }
  form.exec();
  return 0;
}
