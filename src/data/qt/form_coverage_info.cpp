#include "data/qt/form_coverage_info.h"

#include "data/tp_files.h"
#include "frame/app_paths.h"
#include "frame/message_boxes.h"

#include <QKeyEvent>
#include <QLabel>
#include <QPixmap>
#include <QVBoxLayout>

#include <fmt/format.h>

namespace qev::data {

TFormCoverageInfo::TFormCoverageInfo(QWidget *owner, const QString &title, const QPixmap &picture)
    : QDialog(owner) {
  setObjectName("FormCoverageInfo");
  setWindowTitle(title);
  auto *image = new QLabel(this);
  image->setObjectName("CoverageImage");
  image->setPixmap(picture);
  auto *layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(image);
}

void TFormCoverageInfo::keyPressEvent(QKeyEvent *event) {
  if (event->key() == Qt::Key_C || event->key() == Qt::Key_Escape) {
    reject();
    return;
  }
  QDialog::keyPressEvent(event);
}

bool ShowCoverage(QWidget *owner, TCoverageCache &cache, int position, const TTransponder &tp) {
  const frame::TAppPaths &paths = frame::Paths();
  const std::filesystem::path file = paths.Coverage / fmt::format("{:04}.cvr", position);
  const std::vector<std::string> *lines = nullptr;
  std::string error;
  if (!cache.Lines(file, lines, error)) {
    frame::ShowError(error);
    return false;
  }
  const char polar = TpPolar(tp);
  const std::string beam = CoverageBeam(*lines, tp.TpFreq, polar);
  if (beam.empty()) {
    frame::ShowWarning(NoCoverageText(tp.TpFreq, polar));
    return false;
  }
  const std::filesystem::path image = frame::FindExisting(paths.CoverageImages / (beam + ".jpg"));
  QPixmap picture;
  if (!picture.load(QString::fromStdString(image.string()))) {
    frame::ShowWarning(NoCoverageImageText(image));
    return false;
  }
  TFormCoverageInfo form(owner, QString("%1,%2").arg(tp.TpFreq).arg(QChar(polar)), picture);
  form.exec();
  return true;
}

} // namespace qev::data
