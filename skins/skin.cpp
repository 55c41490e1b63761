#include "skin.h"

#include <QDialog>
#include <QFileInfo>
#include <QImageReader>
#include <QLabel>
#include <QPixmap>

#include "app/ini.h"
#include "app/profilecheck.h"
#include "app/profilekeys.h"
#include "app/trap.h"
#include "skins_log.h"

namespace {
using ProfileKeys::kOptions;
const QString& kSkinKey = ProfileKeys::kSkin;
const QString kFallbackSkin = QStringLiteral("Standaard");
const QString kFailedMarker = QStringLiteral("2");

// Skin pictures are plain bitmaps; other decoders Qt may have (SVG, XPM, ...) are not offered
// to files that anyone can drop into the program folder.
bool IsSkinFormat(const QByteArray& format) {
  return format == "bmp" || format == "jpeg" || format == "jpg" || format == "gif" || format == "png";
}

// Skin names come from inst.ini and file listings written on systems that ignore letter case.
QString FindInAnyCase(const QString& file) {
  const QFileInfo info(file);
  return ProgramFolder(info.absolutePath()).file(info.fileName());
}

QLabel* DialogPicture(QDialog& dialog, const char* name) {
  auto* label = dialog.findChild<QLabel*>(QLatin1String(name));
  if (!label) throw StepFailed(QStringLiteral("the dialog has no picture %1").arg(QLatin1String(name)));
  return label;
}
}  // namespace

QString SkinPrefix(const ProgramFolder& folder) {
  QString skin = INI::ReadIni(folder.instIni(), kOptions, kSkinKey);
  // A profile without settings (missing, unreadable) cannot take the fallback skin either;
  // the start-up reports it, and the windows wear the fallback meanwhile.
  if (skin.isEmpty() && !profilecheck::holdsSettings(folder.instIni())) skin = kFallbackSkin;
  return folder.skinFolder(skin) + u'/' + skin + u'_';
}

void LoadSkinPicture(QLabel* target, const QString& file) {
  if (!target) throw StepFailed(QStringLiteral("no picture to load %1 into").arg(file));
  const QString path = FindInAnyCase(file);
  if (!QFileInfo(path).isFile()) throw StepFailed(QStringLiteral("picture not found: %1").arg(path));
  QImageReader reader(path);
  reader.setDecideFormatFromContent(true);
  const QByteArray format = reader.format();
  if (!IsSkinFormat(format))
    throw StepFailed(QStringLiteral("not a picture: %1 (%2)").arg(path, QString::fromLatin1(format)));
  const QImage image = reader.read();
  if (image.isNull())
    throw StepFailed(QStringLiteral("picture unreadable: %1: %2").arg(path, reader.errorString()));
  target->setPixmap(QPixmap::fromImage(image));
}

bool ApplyMainWindowSkin(const Language& language, const ProgramFolder& folder, QLabel* image1,
                         QLabel* image2, QLabel* skinfout, QSize windowSize) {
  const bool applied = trapped(language, QStringLiteral("error16"), [&] {
    const QString prefix = SkinPrefix(folder);
    LoadSkinPicture(image1, prefix + QStringLiteral("head.skn"));
    image1->setScaledContents(false);
    image1->setGeometry(0, 0, image1->pixmap().width(), image1->pixmap().height());
    LoadSkinPicture(image2, prefix + QStringLiteral("frame1.skn"));
    image2->setScaledContents(true);
    image2->setGeometry(0, kBodyTop, windowSize.width(), windowSize.height());
  });
  if (applied) return true;
  if (skinfout->text() == kFailedMarker) {
    language.ShowLangError(QStringLiteral("error19"));
    qCWarning(lcSkins) << "skin failed again, going back to" << kFallbackSkin;
    INI::WriteIni(folder.instIni(), kOptions, kSkinKey, kFallbackSkin);
  }
  skinfout->setText(kFailedMarker);
  return false;
}

void OpenSkinnedDialog(const Language& language, const ProgramFolder& folder, const DialogFactory& create,
                       const DialogShow& show) {
  trapped(language, QStringLiteral("error12"), [&] {
    const QString prefix = SkinPrefix(folder);
    const std::unique_ptr<QDialog> dialog = create();
    if (!dialog) throw StepFailed(QStringLiteral("no dialog to open"));
    QLabel* background = DialogPicture(*dialog, "Image1");
    QLabel* titleBar = DialogPicture(*dialog, "Image2");
    LoadSkinPicture(background, prefix + QStringLiteral("frame1.skn"));
    background->setScaledContents(true);
    LoadSkinPicture(titleBar, prefix + QStringLiteral("balk1.skn"));
    titleBar->setScaledContents(true);
    // We own the dialog; a dialog that deletes itself on close would be deleted twice.
    dialog->setAttribute(Qt::WA_DeleteOnClose, false);
    if (show)
      show(*dialog);
    else
      dialog->exec();
  });
}
