#include "shell/QtHost.h"

#include <QApplication>
#include <QComboBox>
#include <QCursor>
#include <QDialogButtonBox>
#include <QDir>
#include <QEventLoop>
#include <QFileDialog>
#include <QFileInfo>
#include <QIODevice>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QPalette>
#include <QProgressBar>
#include <QPushButton>
#include <QSettings>
#include <QSignalBlocker>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <cstring>

#ifdef MOVALUX_HAVE_QT_MULTIMEDIA
#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QMediaDevices>
#endif

#include "shell/ClassicDialogs.h"
#include "shell/Form1.h"
#include "shell/Form2.h"
#include "shell/QtPanel.h"
#include "shell/WriteDialogs.h"

namespace movalux::shell {

// --- Sound output ------------------------------------------------------------

#ifdef MOVALUX_HAVE_QT_MULTIMEDIA
namespace {
// What the sound output pulls: the feed's samples as they are ready. When
// none is ready it gives nothing, so the output (and the picture that
// follows it) waits instead of playing a gap.
class FeedDevice : public QIODevice {
  public:
    explicit FeedDevice(SoundFeed& feed) : feed_(feed) {}
    bool isSequential() const override { return true; }

  protected:
    qint64 readData(char* data, qint64 maxSize) override {
        const size_t values = static_cast<size_t>(std::max<qint64>(0, maxSize)) / sizeof(int16_t);
        std::vector<int16_t> buffer(values);
        const size_t got = feed_.read(buffer.data(), values);
        std::memcpy(data, buffer.data(), got * sizeof(int16_t));
        return static_cast<qint64>(got * sizeof(int16_t));
    }
    qint64 writeData(const char*, qint64) override { return -1; }

  private:
    SoundFeed& feed_;
};
}  // namespace

struct QtHost::Sound {
    std::unique_ptr<FeedDevice> device;
    std::unique_ptr<QAudioSink> sink;
};
#else
struct QtHost::Sound {};
#endif

QtHost::QtHost(Form1& form) : form_(form) {
    clock_.start();
}

QtHost::~QtHost() {
    StopSound();
}

bool QtHost::StartSound(SoundFeed& feed) {
    StopSound();
#ifdef MOVALUX_HAVE_QT_MULTIMEDIA
    if (QMediaDevices::audioOutputs().isEmpty()) return false;
    const QAudioDevice device = QMediaDevices::defaultAudioOutput();
    if (device.isNull()) return false;
    QAudioFormat format;
    format.setSampleRate(feed.sampleRate());
    format.setChannelCount(feed.channels());
    format.setSampleFormat(QAudioFormat::Int16);
    if (!device.isFormatSupported(format)) return false;
    auto sound = std::make_unique<Sound>();
    sound->device = std::make_unique<FeedDevice>(feed);
    sound->device->open(QIODevice::ReadOnly);
    sound->sink = std::make_unique<QAudioSink>(device, format);
    // Room for the picture pipeline's slowest frames between two pulls.
    sound->sink->setBufferSize(format.bytesForDuration(300000));
    sound->sink->start(sound->device.get());
    if (sound->sink->error() != QAudio::NoError && sound->sink->error() != QAudio::UnderrunError)
        return false;
    sound_ = std::move(sound);
    return true;
#else
    (void)feed;
    return false;
#endif
}

double QtHost::SoundSeconds() {
#ifdef MOVALUX_HAVE_QT_MULTIMEDIA
    if (!sound_ || !sound_->sink) return -1;
    const QAudio::Error error = sound_->sink->error();
    if (error == QAudio::OpenError || error == QAudio::IOError || error == QAudio::FatalError)
        return -1;
    return static_cast<double>(sound_->sink->processedUSecs()) / 1e6;
#else
    return -1;
#endif
}

void QtHost::StopSound() {
#ifdef MOVALUX_HAVE_QT_MULTIMEDIA
    if (sound_ && sound_->sink) sound_->sink->stop();
#endif
    sound_.reset();
}

bool QtHost::soundPlaying() const {
    return sound_ != nullptr;
}

// --- Waiting, writing, controls -------------------------------------------------

void QtHost::WaitEvents(uint32_t maxMs) {
    if (maxMs == 0) {
        DoEvents();
        return;
    }
    // Sleeps in the event loop: the window stays live and no core spins.
    QEventLoop loop;
    QTimer::singleShot(static_cast<int>(std::min<uint32_t>(maxMs, 1000)), Qt::PreciseTimer, &loop,
                       &QEventLoop::quit);
    loop.exec();
}

void QtHost::BTNEnable() {
    form_.BTNEnable();
}

void QtHost::BTNDEnable() {
    form_.BTNDEnable();
}

void QtHost::SetControlEnabled(std::string_view name, bool enabled) {
    form_.setControlEnabled(std::string(name).c_str(), enabled);
}

void QtHost::SetControlChecked(std::string_view name, bool checked) {
    form_.panel().setChecked(name, checked);
}

bool QtHost::ICCompressorChoose(const std::vector<CompressorOption>& offered,
                                CompressorSettings& settings, std::string_view title) {
    const int keep = pointer_;
    if (keep != pointer::kDefault) SetPointer(pointer::kDefault);
    const bool accepted = chooseCompressor(&form_, offered, settings, title);
    if (keep != pointer::kDefault) SetPointer(keep);
    return accepted;
}

void QtHost::Progress(const ProgressReport& report) {
    form_.showProgress(report);
}

bool QtHost::ShowForm2(std::string_view label, std::string& Text1) {
    const int keep = pointer_;
    if (keep != pointer::kDefault) SetPointer(pointer::kDefault);
    const bool accepted = runForm2(&form_, label, Text1);
    if (keep != pointer::kDefault) SetPointer(keep);
    return accepted;
}

void QtHost::SetLabelColor(std::string_view name, int32_t bgr) {
    auto* label = form_.findChild<QLabel*>(qs(name));
    if (label == nullptr) return;
    QPalette palette = label->palette();
    if (bgr < 0) {
        palette.setColor(QPalette::Window, QApplication::palette().color(QPalette::Button));
    } else {
        const auto v = static_cast<uint32_t>(bgr);
        palette.setColor(QPalette::Window,
                         QColor(static_cast<int>(v & 0xFF), static_cast<int>((v >> 8) & 0xFF),
                                static_cast<int>((v >> 16) & 0xFF)));
    }
    label->setPalette(palette);
}

int QtHost::MsgBox(std::string_view text, int style, std::string_view title) {
    // A box must not come up under the hourglass.
    const int keep = pointer_;
    if (keep != pointer::kDefault) SetPointer(pointer::kDefault);
    const int answer = showClassicMessageBox(&form_, text, style, title);
    if (keep != pointer::kDefault) SetPointer(keep);
    return answer;
}

Host::ListChoice QtHost::ChooseFromList(std::string_view title, std::string_view prompt,
                                        const std::vector<std::string>& items,
                                        std::string_view removeCaption) {
    QDialog dialog(&form_);
    dialog.setObjectName("ChooseFromList");
    dialog.setWindowTitle(qs(title));
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(new QLabel(qs(prompt), &dialog));
    auto* list = new QListWidget(&dialog);
    for (const std::string& item : items) list->addItem(qs(item));
    if (list->count() > 0) list->setCurrentRow(0);
    layout->addWidget(list);
    auto* buttons = new QDialogButtonBox(&dialog);
    buttons->addButton(QString::fromUtf8("OK"), QDialogButtonBox::AcceptRole);
    QPushButton* remove = nullptr;
    if (!removeCaption.empty()) {
        remove = buttons->addButton(qs(removeCaption), QDialogButtonBox::DestructiveRole);
        remove->setObjectName("removeButton");
    }
    buttons->addButton(QString::fromUtf8("キャンセル"), QDialogButtonBox::RejectRole);
    layout->addWidget(buttons);
    bool removing = false;
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    if (remove != nullptr)
        QObject::connect(remove, &QPushButton::clicked, &dialog, [&] {
            removing = true;
            dialog.accept();
        });
    QObject::connect(list, &QListWidget::itemDoubleClicked, &dialog, &QDialog::accept);
    if (dialog.exec() != QDialog::Accepted || list->currentRow() < 0) return {};
    // Two items may read alike; the list's own row decides.
    return {list->currentRow(), removing};
}

FileDialogResult QtHost::FileDialog(const FileDialogRequest& request) {
    QFileDialog dialog(&form_, qs(request.title));
    dialog.setObjectName("CommonDialog1");
    // Qt's own dialog: the same on every desktop, and drivable in tests.
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    const bool save = request.kind == FileDialogRequest::Kind::Save;
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, (request.flags & 2) == 0);
    dialog.setNameFilters(qtFileFilter(request.filter).split(QStringLiteral(";;")));
    if (save) {
        dialog.setDefaultSuffix(defaultSuffix(request.filter));
        // A name typed without an extension takes the chosen type's
        // (a picture saved with the PNG filter chosen is a PNG file).
        QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog,
                         [&dialog](const QString& f) {
                             const qsizetype at = f.lastIndexOf(QStringLiteral("(*."));
                             if (at < 0) return;
                             qsizetype end = at + 3;
                             while (end < f.size() && f[end].isLetterOrNumber()) ++end;
                             if (end > at + 3) dialog.setDefaultSuffix(f.mid(at + 3, end - at - 3));
                         });
    }
    // Dialogs start in the folder last used; a name that carries its own
    // folder still opens there.
    QSettings settings;
    const QString lastFolder = settings.value(QStringLiteral("dialogs/lastFolder")).toString();
    if (!lastFolder.isEmpty() && QDir(lastFolder).exists()) dialog.setDirectory(lastFolder);
    if (!request.fileName.empty()) dialog.selectFile(qs(request.fileName));
    FileDialogResult result;
    if (dialog.exec() != QDialog::Accepted) {
        result.outcome = FileDialogResult::Outcome::Cancelled;
        return result;
    }
    const QStringList files = dialog.selectedFiles();
    if (files.isEmpty() || files.front().isEmpty()) {
        result.outcome = FileDialogResult::Outcome::EmptyName;
        return result;
    }
    result.outcome = FileDialogResult::Outcome::Chosen;
    result.path = utf8(files.front());
    settings.setValue(QStringLiteral("dialogs/lastFolder"),
                      QFileInfo(files.front()).absolutePath());
    return result;
}

void QtHost::SetPointer(int pointer) {
    while (QApplication::overrideCursor() != nullptr) QApplication::restoreOverrideCursor();
    pointer_ = pointer;
    switch (pointer) {
        case pointer::kCross:
            QApplication::setOverrideCursor(Qt::CrossCursor);
            break;
        case pointer::kHourglass:
            QApplication::setOverrideCursor(Qt::WaitCursor);
            break;
        case pointer::kArrowHourglass:
            QApplication::setOverrideCursor(Qt::BusyCursor);
            break;
        default:
            pointer_ = pointer::kDefault;
            break;
    }
}

void QtHost::DoEvents() {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

uint32_t QtHost::timeGetTime() {
    return static_cast<uint32_t>(clock_.elapsed());
}

void QtHost::SetLabel(std::string_view name, std::string_view text) {
    QWidget* w = form_.findChild<QWidget*>(qs(name));
    const QString t = qs(text);
    if (auto* label = qobject_cast<QLabel*>(w)) {
        label->setText(t);
    } else if (auto* edit = qobject_cast<QLineEdit*>(w)) {
        const QSignalBlocker block(edit);
        edit->setText(t);
    } else if (auto* combo = qobject_cast<QComboBox*>(w)) {
        const QSignalBlocker block(combo);
        if (combo->isEditable())
            combo->setEditText(t);
        else if (const int i = combo->findText(t); i >= 0)
            combo->setCurrentIndex(i);
    }
}

std::string QtHost::LabelText(std::string_view name) const {
    QWidget* w = form_.findChild<QWidget*>(qs(name));
    if (auto* label = qobject_cast<QLabel*>(w)) return utf8(label->text());
    if (auto* edit = qobject_cast<QLineEdit*>(w)) return utf8(edit->text());
    if (auto* combo = qobject_cast<QComboBox*>(w)) return utf8(combo->currentText());
    return {};
}

void QtHost::Refresh(Picture picture) {
    switch (picture) {
        case Picture::PictMain:
            form_.refreshPictMain();
            break;
        case Picture::PreVewPict:
            form_.refreshPreVewPict();
            break;
        case Picture::PictTLine:
            form_.SetTLine();
            break;
        case Picture::PicSldr:
            form_.DspSldr();
            break;
    }
}

void QtHost::SetTLine() {
    form_.SetTLine();
}
void QtHost::DspSelLayer() {
    form_.DspSelLayer();
}
void QtHost::DspLayEnable() {
    form_.DspLayEnable();
}
void QtHost::DspSldr() {
    form_.DspSldr();
}
void QtHost::SetSlr2() {
    form_.SetSlr2();
}

}  // namespace movalux::shell
