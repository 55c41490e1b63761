#include "demo_audio.h"

#include "audio_library.h"

#include <filesystem>
#include <spawn.h>
#include <sys/wait.h>

extern char** environ;

namespace vantor::server {

namespace fs = std::filesystem;

namespace {

// Runs a tool directly, never through a shell, so station names cannot become commands.
bool runTool(const std::vector<std::string>& args, std::ostream& log) {
  std::vector<char*> argv;
  for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  pid_t pid = 0;
  if (posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) {
    log << "vantor-directory: cannot start " << args[0] << "\n";
    return false;
  }
  int status = 0;
  if (waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    log << "vantor-directory: " << args[0] << " failed\n";
    return false;
  }
  return true;
}

unsigned nameHash(const std::string& s) {
  unsigned h = 2166136261u;
  for (char c : s) h = (h ^ static_cast<unsigned char>(c)) * 16777619u;
  return h;
}

}  // namespace

std::string announcement(const Station& s, const std::string& voice) {
  const std::string v = voice.substr(0, 2);
  if (v == "nl") return "Dit is " + s.name + ", een demozender van Vantor Internet Radio.";
  if (v == "de") return "Hier ist " + s.name + ", ein Demosender von Vantor Internet Radio.";
  if (v == "fr") return "Ici " + s.name + ", une station de démonstration de Vantor Internet Radio.";
  if (v == "es") return "Esta es " + s.name + ", una emisora de demostración de Vantor Internet Radio.";
  return "This is " + s.name + ", a demo station of Vantor Internet Radio.";
}

int makeDemoAudio(const Catalogue& cat, const std::string& dir, std::ostream& log) {
  std::error_code ec;
  fs::create_directories(dir, ec);
  const fs::path work = fs::path(dir) / ".work";
  fs::create_directories(work, ec);
  if (ec) {
    log << "vantor-directory: cannot create " << work.string() << "\n";
    return -1;
  }
  const std::string w = work.string();
  int failed = 0;
  for (const auto& c : cat.countries) {
    for (const auto& s : c.stations) {
      if (!needsAudio(s.kind)) continue;
      const fs::path target = fs::path(dir) / audioFileName(s);
      if (fs::exists(target)) continue;
      log << "vantor-directory: making " << target.string() << "\n";
      const unsigned h = nameHash(s.key);
      const std::string f1 = std::to_string(300 + h % 400), f2 = std::to_string(500 + (h / 400) % 500);
      const std::string part = target.string() + ".part";
      const std::string rate = "44100";
      bool ok =
          runTool(
              {"espeak-ng", "-v", c.voice, "-s", "150", "-w", w + "/speech.wav", announcement(s, c.voice)},
              log) &&
          runTool({"sox", w + "/speech.wav", "-r", rate, "-c", "2", w + "/voice.wav"}, log) &&
          runTool({"sox", "-n", "-r", rate, "-c", "2", w + "/gap.wav", "trim", "0", "0.6"}, log) &&
          runTool(
              {"sox", "-n", "-r", rate, "-c", "2", w + "/tone1.wav", "synth", "2", "sine", f1, "vol", "0.3"},
              log) &&
          runTool(
              {"sox", "-n", "-r", rate, "-c", "2", w + "/tone2.wav", "synth", "2", "sine", f2, "vol", "0.3"},
              log) &&
          runTool({"sox", w + "/voice.wav", w + "/gap.wav", w + "/tone1.wav", w + "/gap.wav",
                   w + "/tone2.wav", w + "/gap.wav", w + "/loop.wav"},
                  log);
      if (ok && s.kind == StreamKind::Ogg)
        ok = runTool({"oggenc", "-Q", "-q", "2", "-o", part, w + "/loop.wav"}, log);
      else if (ok)
        ok = runTool({"lame", "--quiet", "--cbr", "-b", std::to_string(s.bitrateKbps), w + "/loop.wav", part},
                     log);
      if (ok) fs::rename(part, target, ec);
      if (!ok || ec) {
        fs::remove(part, ec);
        ++failed;
      }
    }
  }
  fs::remove_all(work, ec);
  return failed;
}

}  // namespace vantor::server
