#pragma once

#include "EngineFixture.h"
#include "core/collection/uMsnHeadManager.h"
#include "core/image/Codecs.h"
#include "ui/editors/PictureBox.h"
#include "ui/editors/uEditorWindows.h"
#include "ui/editors/uHeadEditor.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPointer>
#include <QSlider>
#include <QTimer>
#include <fstream>
#include <functional>
#include <memory>

namespace tw::test {

inline Picture Uniform(int width, int height, std::uint8_t r, std::uint8_t g, std::uint8_t b) {
    Picture picture(width, height);
    for (std::size_t i = 0; i < picture.ByteSize(); i += 3) {
        picture.Data()[i] = r;
        picture.Data()[i + 1] = g;
        picture.Data()[i + 2] = b;
    }
    return picture;
}

// Different everywhere, so a wrong place or size shows in any pixel.
inline Picture Pattern(int width, int height) {
    Picture picture(width, height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            std::uint8_t* p = picture.Row(y) + x * 3;
            p[0] = static_cast<std::uint8_t>(x * 3);
            p[1] = static_cast<std::uint8_t>(y * 5);
            p[2] = static_cast<std::uint8_t>(60 + (x / 8 + y / 8) % 2 * 120);
        }
    }
    return picture;
}

inline QRgb PixelAt(const QImage& image, int x, int y) {
    return image.pixel(x, y) & 0xFFFFFF;
}

// Sends a mouse event to `widget` at `at`; `buttons` is the state after the event.
inline void SendMouse(QWidget* widget, QEvent::Type type, Qt::MouseButton button, QPoint at,
                      Qt::MouseButtons buttons) {
    QMouseEvent event(type, QPointF(at), QPointF(widget->mapToGlobal(at)), button, buttons,
                      Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

// Drags the editor's picture by `delta` with the left button.
inline void Drag(TfrmHeadEditor& editor, QPoint from, QPoint delta) {
    SendMouse(editor.imgEditSimple, QEvent::MouseButtonPress, Qt::LeftButton, from, Qt::LeftButton);
    SendMouse(editor.imgEditSimple, QEvent::MouseMove, Qt::NoButton, from + delta, Qt::LeftButton);
    SendMouse(editor.imgEditSimple, QEvent::MouseButtonRelease, Qt::LeftButton, from + delta,
              Qt::NoButton);
}

// Plays the user of the next modal dialog of type Dialog: once it runs, `act` gets it (after
// its queued work is done) and must close it. A dialog that stays open is cancelled after
// a while, so a failing test cannot hang.
template <typename Dialog> void AnswerNextDialog(std::function<void(Dialog&)> act) {
    auto* poll = new QTimer;
    poll->setInterval(10);
    auto started = std::make_shared<int>(0);
    QObject::connect(poll, &QTimer::timeout, [poll, act, started] {
        auto* dialog = qobject_cast<Dialog*>(QApplication::activeModalWidget());
        if (dialog == nullptr) {
            if (++*started > 500) {
                ADD_FAILURE() << "no dialog appeared";
                poll->deleteLater();
            }
            return;
        }
        poll->stop();
        poll->deleteLater();
        QCoreApplication::sendPostedEvents(dialog);
        QPointer<Dialog> guard(dialog);
        act(*dialog);
        if (guard && guard->isVisible()) {
            ADD_FAILURE() << "the dialog was left open";
            guard->reject();
        }
    });
    poll->start();
}

// The display picture editor's window for the collection manager, with three badge icons,
// in a data folder of the test's own.
class EditorFixture : public EngineFixture {
protected:
    void SetUp() override {
        EngineFixture::SetUp();
        Manager = std::make_unique<TMsnHeadManager>(Root / "data");
        Manager->SetStateIcons(
            {Uniform(24, 24, 0, 255, 0), Uniform(24, 24, 255, 0, 0), Uniform(24, 24, 255, 200, 0)});
        Windows = std::make_unique<TEditorWindows>(*Engine);
        Manager->SetHeadEditor(Windows.get());
        Manager->SetAnimationGuide(Windows.get());
    }
    void TearDown() override {
        Manager.reset();
        Windows.reset();
        EngineFixture::TearDown();
    }

    // A BMP file of `picture` in the test's folder.
    std::filesystem::path WriteBmp(const std::string& name, const Picture& picture) const {
        const auto path = Root / name;
        const std::vector<std::uint8_t> bytes = EncodeBmp24(picture);
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
        return path;
    }

    int KeyframeEntries() const {
        int count = 0;
        for (const THeadRec& head : Manager->Heads())
            count += head.Kind == THeadKind::hkGuideKeyframe ? 1 : 0;
        return count;
    }

    std::unique_ptr<TMsnHeadManager> Manager;
    std::unique_ptr<TEditorWindows> Windows;
};

} // namespace tw::test
