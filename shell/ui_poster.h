// Runs tasks that other threads hand over on the UI thread of the object it belongs to. The
// tasks wait under a lock of ours and a signal without arguments wakes the UI thread, so that
// nothing crosses threads inside Qt's queue, where a race checker cannot follow it.
#pragma once

#include <QObject>
#include <functional>
#include <mutex>
#include <vector>

namespace kvd {

class UiPoster : public QObject {
    Q_OBJECT

  public:
    explicit UiPoster(QObject* parent) : QObject(parent) {
        connect(this, &UiPoster::Posted, this, &UiPoster::RunPosted, Qt::QueuedConnection);
    }

    // Any thread. Tasks still waiting when the object goes are dropped.
    void Post(std::function<void()> task) {
        bool wake = false;
        {
            const std::lock_guard<std::mutex> guard(m_lock);
            wake = m_tasks.empty();
            m_tasks.push_back(std::move(task));
        }
        if (wake) emit Posted();
    }

  signals:
    void Posted();

  private:
    void RunPosted() {
        std::vector<std::function<void()>> tasks;
        {
            const std::lock_guard<std::mutex> guard(m_lock);
            tasks.swap(m_tasks);
        }
        for (auto& task : tasks) task();
    }

    std::mutex m_lock;
    std::vector<std::function<void()>> m_tasks;  // guarded by m_lock
};

}  // namespace kvd
