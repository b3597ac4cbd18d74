#include <algorithm>
#include <cmath>
#include <iostream>
#include <string>

#include "base/NumberText.h"
#include "cli/Commands.h"
#include "editor/Editor.h"
#include "media/MediaLog.h"

namespace movalux::cli {

bool takeFlag(Args& args, const std::string& flag) {
    auto it = std::find(args.begin(), args.end(), flag);
    if (it == args.end()) return false;
    args.erase(it);
    return true;
}

bool takeOption(Args& args, const std::string& name, std::string& value, bool& missingValue) {
    auto it = std::find(args.begin(), args.end(), name);
    if (it == args.end()) return false;
    if (it + 1 == args.end()) {
        missingValue = true;
        args.erase(it);
        return false;
    }
    value = *(it + 1);
    args.erase(it, it + 2);
    return true;
}

bool readWholeWithMovie(Editor& editor, const std::string& path, const std::string& command) {
    const auto read = editor.readEditFile(path);
    if (read == Editor::ReadOutcome::Read && editor.MvOpen == kTrue) return true;
    std::cerr << "movalux-cli " << command << ": " << path
              << (read == Editor::ReadOutcome::Read ? "'s movie could not be opened" : " was not read")
              << '\n';
    return false;
}

bool applyAdjustment(Editor& editor, const std::string& command, const std::string& text) {
    const auto value = parseNumber(text);
    if (!value || !std::isfinite(*value)) {
        std::cerr << "movalux-cli " << command << ": --adjust takes a number from -100 to 100\n";
        return false;
    }
    return editor.AdjVComd_Click(text);
}

}  // namespace movalux::cli

namespace {

constexpr const char* kUsage =
    "usage: movalux-cli COMMAND ARGS... [--verbose]\n"
    "  --verbose: FFmpeg's own messages too\n"
    "commands:\n"
    "  apply IN_IMAGE OUT_IMAGE RECORD...   draw effect records onto a picture\n"
    "  testpicture OUT [--size WxH]          write a test picture (.bmp or .png)\n"
    "  testmovie OUT [--size WxH] [--fps F] [--frames N] [--sound]\n"
    "                                        write a movie showing its frame numbers\n"
    "  probe MOVIE                           size, rate, length and sound of a movie\n"
    "  frame EDITFILE N OUT_IMAGE            frame N of the edit file's movie with its effects\n"
    "  resave EDIT_IN EDIT_OUT               read an edit file and write it again\n"
    "  hokan EDIT_IN EDIT_OUT --layer L --from S --to E [--fade in|out] [--effect K]\n"
    "                                        interpolate or fade a layer of an edit file\n"
    "  track EDIT_IN EDIT_OUT --layer L --from S [--to E] [--backward] [--fast|--accurate]\n"
    "                                        follow a layer's region through the movie\n"
    "  detect EDIT_IN EDIT_OUT --faces|--plates [--layer L] [--effect K --param P]\n"
    "                          [--from S] [--to E]\n"
    "                                        find faces or plates and hide them\n"
    "  check EDITFILE --faces|--plates [--from S] [--to E]\n"
    "                                        frames where a face or plate is still seen\n"
    "  render EDITFILE OUT [--codec NAME] [--quality Q] [--speed PCT] [--reverse] [--no-sound]\n"
    "                      [--from N] [--to M]\n"
    "                                        write the marked range with its effects and sound\n"
    "  sound MOVIE OUT --from S --to E [--speed PCT]\n"
    "                                        the sound of a range (.wav: RIFF WAVE, else AVI)\n"
    "  convert MOVIE OUT --from S --to E     an uncompressed AVI copy of a range with sound\n"
    "  stills EDITFILE STEM --from S --to E [--format bmp|png]\n"
    "                                        frames S..E with their effects as numbered pictures\n"
    "  from-stills FIRST LAST OUT --fps N    an uncompressed AVI from numbered pictures\n";

}  // namespace

int main(int argc, char** argv) {
    using namespace movalux::cli;
    if (argc < 2) {
        std::cerr << kUsage;
        return kExitUsage;
    }
    Args all(argv + 1, argv + argc);
    // FFmpeg's own messages are for --verbose only, whatever the command.
    if (takeFlag(all, "--verbose"))
        movalux::verboseMediaLog();
    else
        movalux::quietMediaLog();
    if (all.empty()) {
        std::cerr << kUsage;
        return kExitUsage;
    }
    const std::string command = all[0];
    Args args(all.begin() + 1, all.end());
    if (command == "apply") return applyCommand(args);
    if (command == "testpicture") return testPictureCommand(args);
    if (command == "testmovie") return testMovieCommand(args);
    if (command == "probe") return probeCommand(args);
    if (command == "resave") return resaveCommand(args);
    if (command == "hokan") return hokanCommand(args);
    if (command == "track") return trackCommand(args);
    if (command == "check") return checkCommand(args);
    if (command == "detect") return detectCommand(args);
    if (command == "frame") return frameCommand(args);
    if (command == "render") return renderCommand(args);
    if (command == "sound") return soundCommand(args);
    if (command == "convert") return convertCommand(args);
    if (command == "stills") return stillsCommand(args);
    if (command == "from-stills") return fromStillsCommand(args);
    if (command == "--help" || command == "-h" || command == "help") {
        std::cout << kUsage;
        return kExitOk;
    }
    std::cerr << "movalux-cli: unknown command '" << command << "'\n" << kUsage;
    return kExitUsage;
}
