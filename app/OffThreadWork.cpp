// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/OffThreadWork.h"

#include "desktop/DesktopShell.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QThread>

#include <atomic>
#include <exception>
#include <thread>

namespace nullsweep {

namespace {

// Runs `call` on the user-interface thread and waits for it; what it throws is thrown here.
void onUiThread(const std::function<void()>& call) {
    QCoreApplication* app = QCoreApplication::instance();
    if (!app || QThread::currentThread() == app->thread()) {
        call();
        return;
    }
    std::exception_ptr failure;
    QMetaObject::invokeMethod(
        app,
        [&] {
            try {
                call();
            } catch (...) {
                failure = std::current_exception();
            }
        },
        Qt::BlockingQueuedConnection);
    if (failure) std::rethrow_exception(failure);
}

// The shell and the wait window as the work sees them: each call made on the user-interface
// thread, where the widgets live.
class UiThreadShell final : public DesktopShell {
  public:
    explicit UiThreadShell(DesktopShell& shell) : shell_(shell) {}
    std::string SelectFolder() override {
        std::string folder;
        onUiThread([&] { folder = shell_.SelectFolder(); });
        return folder;
    }
    void OpenFolder(const std::string& folder) override {
        onUiThread([&] { shell_.OpenFolder(folder); });
    }
    void ShowFile(const std::string& file, const std::string& folder) override {
        onUiThread([&] { shell_.ShowFile(file, folder); });
    }
    void OpenUrl(const std::string& url) override {
        onUiThread([&] { shell_.OpenUrl(url); });
    }
    bool AskYesNo(const std::string& text, const std::string& caption) override {
        bool yes = false;
        onUiThread([&] { yes = shell_.AskYesNo(text, caption); });
        return yes;
    }
    void ShowMessage(const std::string& text, const std::string& caption,
                     MessageIcon icon) override {
        onUiThread([&] { shell_.ShowMessage(text, caption, icon); });
    }
    std::string SaveFileName(const SaveFileRequest& request) override {
        std::string path;
        onUiThread([&] { path = shell_.SaveFileName(request); });
        return path;
    }

  private:
    DesktopShell& shell_;
};

class UiThreadWait final : public WaitDisplay {
  public:
    explicit UiThreadWait(WaitDisplay& wait) : wait_(wait) {}
    void ShowWait(bool visible, bool cancelVisible) override {
        onUiThread([&] { wait_.ShowWait(visible, cancelVisible); });
    }
    void SetWaitText(const std::string& text) override {
        onUiThread([&] { wait_.SetWaitText(text); });
    }

  private:
    WaitDisplay& wait_;
};

// Installs the forwarding shell and wait window, and puts the real ones back however the work
// ends.
class Forwarding {
  public:
    Forwarding() : shell_(Shell()), wait_(WaitWindow()) {
        previousShell_ = SetShell(&shell_);
        previousWait_ = SetWaitWindow(&wait_);
    }
    ~Forwarding() {
        SetWaitWindow(previousWait_);
        SetShell(previousShell_);
    }
    Forwarding(const Forwarding&) = delete;
    Forwarding& operator=(const Forwarding&) = delete;

  private:
    UiThreadShell shell_;
    UiThreadWait wait_;
    DesktopShell* previousShell_;
    WaitDisplay* previousWait_;
};

} // namespace

void RunOffUiThread(const std::function<void()>& work) {
    QCoreApplication* app = QCoreApplication::instance();
    if (!app || QThread::currentThread() != app->thread()) {
        work();
        return;
    }
    std::exception_ptr failure;
    {
        Forwarding forwarding;
        std::atomic<bool> done = false;
        std::thread worker([&] {
            try {
                work();
            } catch (...) {
                failure = std::current_exception();
            }
            done = true;
            QMetaObject::invokeMethod(
                app, [] {}, Qt::QueuedConnection); // wakes the loop below
        });
        // Not an event loop of its own: a quit of the application (the window closed meanwhile)
        // must not leave the work waiting for this thread.
        // Input is handled, not held: held input would act once the work is done. The caller
        // makes the windows that must not act on it refuse it meanwhile.
        while (!done)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        worker.join();
    }
    if (failure) std::rethrow_exception(failure);
}

} // namespace nullsweep
