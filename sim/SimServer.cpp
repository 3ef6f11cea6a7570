#include "sim/SimServer.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <poll.h>
#include <unistd.h>

namespace {
constexpr qsizetype ReadChunk = 4096;
constexpr qint64 QuietMs = 100;

int earliest(int timeout, qint64 ms)
{
    const int value = int(std::clamp<qint64>(ms, 0, 60000));
    return timeout < 0 ? value : std::min(timeout, value);
}
} // namespace

SimServer::SimServer(const SimOptions& options)
    : m_options(options), m_model(options.unit()), m_inPacer(options.baud()),
      m_outPacer(options.baud())
{
    m_clock.start();
}

bool SimServer::start(QString* error)
{
    if (!m_options.flashDir().isEmpty()) {
        m_store = std::make_unique<FlashStore>(m_options.flashDir());
        if (!m_store->open(m_model, error))
            return false;
    }
    if (!m_signals.install(error) || !m_line.open(error) ||
        !m_line.makeLink(m_options.linkPath(), error))
        return false;
    std::printf("orvanta-sim: listening on %s\n", qPrintable(m_options.linkPath()));
    std::fflush(stdout);
    return true;
}

int SimServer::run()
{
    for (;;) {
        const qint64 now = nowMs();
        m_model.tick(now);
        storeEvents();
        if (m_model.hungUp() && m_line.isOpen())
            m_line.closeLine();
        short masterEvents = 0;
        const int timeout = pollTimeout(now, &masterEvents);
        pollfd fds[2] = {{m_signals.readFd(), POLLIN, 0}, {m_line.masterFd(), masterEvents, 0}};
        const nfds_t count = (m_line.isOpen() && now >= m_quietUntil) ? 2 : 1;
        if (poll(fds, count, timeout) < 0 && errno != EINTR) {
            std::perror("orvanta-sim: poll");
            return 1;
        }
        if ((fds[0].revents & POLLIN) && m_signals.takeSignal())
            return 0;
        if (count < 2)
            continue;
        if (fds[1].revents & POLLIN)
            readInput();
        else if (fds[1].revents & (POLLHUP | POLLERR))
            m_quietUntil = nowMs() + QuietMs; // nobody on the line: do not spin on it
        if (m_line.isOpen() && (fds[1].revents & POLLOUT))
            writeOutput();
    }
}

int SimServer::pollTimeout(qint64 now, short* masterEvents)
{
    int timeout = -1;
    if (const auto deadline = m_model.nextDeadline())
        timeout = earliest(timeout, *deadline - now);
    if (!m_line.isOpen())
        return timeout;
    if (now < m_quietUntil)
        return earliest(timeout, m_quietUntil - now);
    // Input that is not read backs up in the tool's port, as behind a slow line.
    if (m_inPacer.allowance(now) > 0)
        *masterEvents |= POLLIN;
    else
        timeout = earliest(timeout, m_inPacer.msUntilNext(now));
    if (!m_model.pendingOutput().isEmpty()) {
        if (m_outPacer.allowance(now) > 0)
            *masterEvents |= POLLOUT;
        else
            timeout = earliest(timeout, m_outPacer.msUntilNext(now));
    }
    return timeout;
}

void SimServer::readInput()
{
    const qint64 now = nowMs();
    qint64 limit = std::min<qint64>(ReadChunk, m_inPacer.allowance(now));
    if (m_options.unit().hangupAfter >= 0)
        limit = std::min(limit, m_options.unit().hangupAfter - m_model.received());
    QByteArray buffer(qsizetype(std::max<qint64>(limit, 1)), '\0');
    const ssize_t got = read(m_line.masterFd(), buffer.data(), size_t(buffer.size()));
    if (got <= 0) {
        if (got == 0 || (errno != EAGAIN && errno != EINTR))
            m_quietUntil = now + QuietMs;
        return;
    }
    buffer.truncate(got);
    m_inPacer.consume(got);
    const qsizetype taken = m_model.feed(buffer, now);
    QString error;
    if (m_store && !m_store->appendReceived(buffer.left(taken), &error))
        reportStoreError(error);
    storeEvents();
}

void SimServer::writeOutput()
{
    const QByteArray& pending = m_model.pendingOutput();
    const qsizetype count = std::min<qsizetype>(pending.size(), m_outPacer.allowance(nowMs()));
    const ssize_t sent = write(m_line.masterFd(), pending.constData(), size_t(count));
    if (sent > 0) {
        m_model.consumeOutput(sent);
        m_outPacer.consume(sent);
    }
}

void SimServer::storeEvents()
{
    for (const UnitModel::Event& event : m_model.takeEvents()) {
        QString error;
        if (m_store && !m_store->store(m_model, event, &error))
            reportStoreError(error);
    }
}

void SimServer::reportStoreError(const QString& error)
{
    // Keep serving: the unit in memory is still right; say it once.
    if (m_storeFailed)
        return;
    m_storeFailed = true;
    std::fprintf(stderr, "orvanta-sim: %s (the FLASH folder is no longer kept up to date)\n",
                 qPrintable(error));
}
