#pragma once
// The dialogs of writing: the compressor dialog ("圧縮の指定") that chooses
// the encoder, its quality, key-frame interval and data rate, and the
// frame-rate adjustment dialog AdjV.

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "host/Host.h"

class QWidget;

namespace movalux::shell {

// Modal; true when accepted (settings then hold the choice), false when
// cancelled (settings untouched).
bool chooseCompressor(QWidget* parent, const std::vector<CompressorOption>& offered,
                      CompressorSettings& settings, std::string_view title);

// Modal AdjV dialog with AdjVText preset to `text`. `accept` receives the
// box's text when OK is pressed and says whether the dialog may close.
// True when it closed through OK.
bool runAdjVDialog(QWidget* parent, const std::string& text,
                   const std::function<bool(const std::string&)>& accept);

}  // namespace movalux::shell
