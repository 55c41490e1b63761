#pragma once

#include <QDialog>

#include "favourites.h"
#include "stationprobe.h"

class Language;
class QLabel;
class QLineEdit;
class QPushButton;

// A station the directory does not list, added by its address: tried first, saved as a
// favourite like Add saves one only when it turned out to be a stream.
class AddStationDialog final : public QDialog {
  Q_OBJECT
 public:
  // fallbackSite: the home page of a station that names none of its own.
  AddStationDialog(const Language& language, Favourites favourites, QString fallbackSite,
                   QWidget* parent = nullptr);

  // The file name of the favourite saved; empty until then.
  QString savedName() const { return saved_; }

 private:
  void tryAddress();
  void showFound(const ProbeFound& what);
  void showRefusal(StationProbe::Refusal why, const QString& detail);
  void save();
  QString text(const char* key) const;

  const Language& language_;
  Favourites favourites_;
  QString fallbackSite_;
  StationProbe probe_;
  QLineEdit* name_;
  QLineEdit* address_;
  QLabel* status_;
  QPushButton* try_;
  QPushButton* save_;
  std::optional<ProbeFound> found_;
  QString saved_;
};
