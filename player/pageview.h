#pragma once

#include <QNetworkReply>
#include <QPointer>
#include <QString>
#include <QTextBrowser>
#include <QUrl>

class QNetworkAccessManager;

// The information pane: shows web pages fetched in the background. "about:" followed by a
// text shows that text as the page. Links open inside the pane.
class PageView : public QTextBrowser {
  Q_OBJECT
 public:
  static constexpr qint64 kMaxPageBytes = 4 * 1024 * 1024;

  explicit PageView(QWidget* parent = nullptr);
  ~PageView() override;

  // Starts loading the address and returns at once; a newer navigate replaces a pending one.
  void navigate(const QString& url);
  // The address last navigated to (the error page's "about:" address after a failure).
  QString currentUrl() const { return currentUrl_; }
  bool isLoading() const { return pending_ != nullptr; }

  // Decodes a page body: the charset of the Content-Type, else the page's own meta charset,
  // else UTF-8 when valid, else Windows-1252.
  static QString decodePage(const QByteArray& body, const QByteArray& contentType);

 Q_SIGNALS:
  // The pane is left blank; the window puts up its own error page.
  void navigateError(const QString& url);

 protected:
  // Pictures and style sheets are not fetched: nothing may block the window or leave the pane.
  QVariant loadResource(int type, const QUrl& name) override;

 private:
  void cancelPending();
  void onFinished(QNetworkReply* reply);
  void fail(QString url, const QString& why);
  void followLink(const QUrl& link);
  void showAbout(const QString& text);

  QNetworkAccessManager* network_;
  QPointer<QNetworkReply> pending_;
  QString currentUrl_;
  QByteArray body_;
  QUrl pageUrl_;  // where the shown page really came from, for relative links
};
