#pragma once

#include <QSize>
#include <QString>

#include <functional>
#include <memory>

#include "app/language.h"
#include "app/programfolder.h"

class QDialog;
class QLabel;

// Placements of the skin pictures, in pixels (the window was laid out in twips, 15 to a pixel).
inline constexpr int kBodyTop = 56;  // 840 twips: the body picture starts under the title area

// The skin's folder (the per-user one for a user's own skin) + "/" + the current skin name from
// inst.ini + "_"; the skin's pictures are this prefix followed by "head.skn", "frame1.skn" or
// "balk1.skn".
QString SkinPrefix(const ProgramFolder& folder);

// Puts the picture in the file into the label. The format comes from the content (BMP, JPEG,
// GIF or PNG), never from the name, and the file is found in any letter case. Throws StepFailed
// when the file is missing or unreadable; the label then keeps the picture it had.
void LoadSkinPicture(QLabel* target, const QString& file);

// One tick of the main window's skin timer: the head picture at (0,0) at its own size, the body
// picture stretched from (0, kBodyTop) over windowSize. On a failure it shows error16; a failure
// after an earlier one in this run (skinfout holds "2") also shows error19 and sets the skin back
// to "Standaard". Returns whether the skin was applied; the timer is stopped only then.
bool ApplyMainWindowSkin(const Language& language, const ProgramFolder& folder, QLabel* image1,
                         QLabel* image2, QLabel* skinfout, QSize windowSize);

using DialogFactory = std::function<std::unique_ptr<QDialog>()>;
using DialogShow = std::function<void(QDialog&)>;

// Opens a dialog dressed in the current skin: creates it (its constructor is its load handler),
// puts frame1.skn into its label "Image1" and balk1.skn into its label "Image2", then shows it
// modally (exec(), unless show is given) and returns when it is closed. On any failure it shows
// error12 and the dialog is not shown.
void OpenSkinnedDialog(const Language& language, const ProgramFolder& folder, const DialogFactory& create,
                       const DialogShow& show = {});
