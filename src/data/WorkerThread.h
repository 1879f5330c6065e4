#pragma once
#include "data/Database.h"

#include <QFuture>
#include <QObject>
#include <QPromise>
#include <QThread>

#include <memory>
#include <type_traits>

// Runs work on a thread of its own and returns the future of its result: a window waits for
// it through a QFutureWatcher and keeps serving its events, without a nested event loop. The
// thread's own database connections are closed before the result is reported, so whoever
// receives it finds the work wholly done; the thread object deletes itself afterwards.
namespace WorkerThread {
template <typename Work> auto run(Work work) -> QFuture<std::invoke_result_t<Work>>
{
    using Result = std::invoke_result_t<Work>;
    auto promise = std::make_shared<QPromise<Result>>();
    QFuture<Result> future = promise->future();
    promise->start();
    QThread* thread = QThread::create([promise, work = std::move(work)]() mutable {
        promise->addResult(work());
        Database::closeAll();
        promise->finish();
    });
    QObject::connect(thread, &QThread::finished, thread, &QObject::deleteLater);
    thread->start();
    return future;
}
} // namespace WorkerThread
