#include "answer_sender.h"

#include <malloc.h>

#include <atomic>

namespace vantor::server {

namespace {

constexpr size_t kPiece = 64 * 1024;

std::atomic<size_t> g_sending{0};  // large answers under way

struct Sending {
  SharedAnswer answer;
  std::string host;
};

}  // namespace

void sendAnswer(httplib::Response& res, SharedAnswer answer, const std::string& host,
                const char* contentType) {
  const size_t size = answer->size(host.size());
  if (size <= kPiece) {
    res.set_content(answer->render(host), contentType);
    return;
  }
  auto sending = std::make_shared<Sending>(Sending{std::move(answer), host});
  ++g_sending;
  res.set_content_provider(
      size, contentType,
      [sending](size_t offset, size_t length, httplib::DataSink& sink) {
        std::string piece;
        sending->answer->write(offset, std::min(length, kPiece), sending->host, piece);
        return sink.write(piece.data(), piece.size());
      },
      [sending](bool) {
        sending->answer.reset();  // the provider, which shares `sending`, is let go only after this
        if (--g_sending == 0) malloc_trim(0);
      });
}

}  // namespace vantor::server
