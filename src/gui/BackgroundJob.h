#pragma once

#include <QCoreApplication>
#include <QObject>
#include <QThreadPool>

#include <atomic>
#include <functional>
#include <memory>

// Work for a list that must not keep input waiting (sorting and finding in many rows): it runs on
// a thread of its own and its result is handed to the owner on the owner's thread once it is
// ready. A newer job cancels the one still running, whose result is then dropped; the jobs run
// one after the other. The work reads only what it is given (copies, or data nobody changes while
// it runs). Going, the job cancels its work and waits for it.
class BackgroundJob {
public:
    explicit BackgroundJob(QObject* owner) : m_owner(owner) { m_pool.setMaxThreadCount(1); }
    ~BackgroundJob() {
        Cancel();
        m_pool.waitForDone();
    }
    BackgroundJob(const BackgroundJob&) = delete;
    BackgroundJob& operator=(const BackgroundJob&) = delete;

    // Runs work(cancelled) on the thread, then done(result) on the owner's thread, unless another
    // Start or Cancel came first.
    template <typename Result>
    void Start(std::function<Result(const std::atomic<bool>& cancelled)> work, std::function<void(Result)> done) {
        Drop();
        auto cancelled = std::make_shared<std::atomic<bool>>(false);
        m_cancelled = cancelled;
        const int generation = ++m_generation;
        m_busy = true;
        m_pool.start([this, cancelled, generation, work = std::move(work), done = std::move(done)]() mutable {
            auto result = std::make_shared<Result>(work(*cancelled));
            if (*cancelled) {
                return;
            }
            QMetaObject::invokeMethod(
                m_owner,
                [this, generation, result, done = std::move(done)] {
                    if (generation == m_generation) {
                        m_busy = false;
                        done(std::move(*result));
                    }
                },
                Qt::QueuedConnection);
        });
    }

    // True from Start until its result has been handed over (or it was cancelled).
    bool Busy() const { return m_busy; }
    // Drops the job still running (its thread gives it up soon after).
    void Cancel() { Drop(); }
    // Waits for the running job and hands its result over now (for tests and the benchmark).
    void Wait() {
        m_pool.waitForDone();
        QCoreApplication::sendPostedEvents(m_owner, QEvent::MetaCall);
    }

private:
    void Drop() {
        if (m_cancelled) {
            *m_cancelled = true;
            m_cancelled.reset();
        }
        ++m_generation;
        m_busy = false;
    }

    QObject* m_owner;
    QThreadPool m_pool;
    std::shared_ptr<std::atomic<bool>> m_cancelled;
    int m_generation = 0; // read on the owner's thread only
    bool m_busy = false;
};
