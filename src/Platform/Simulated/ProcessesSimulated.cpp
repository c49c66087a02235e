#include "Platform/Simulated/ProcessesSimulated.h"

#include "Foundation/Scheduler.h"

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QtEndian>

#include <zlib.h>

class ProcessesSimulated::Process final : public Processes::Running {
public:
    bool isRunning() const override { return m_running; }
    void terminate() override { m_exit.cancel(); }

    bool m_running = true;
    TaskHandle m_exit;
};

namespace {

// Something that looks like a screen: a gradient with a few shapes, so that blurs and crops are visible.
QImage screenLikeImage(QSize size)
{
    QImage image(size, QImage::Format_RGB32);
    QPainter painter(&image);
    QLinearGradient gradient(0, 0, size.width(), size.height());
    gradient.setColorAt(0, QColor(40, 90, 160));
    gradient.setColorAt(1, QColor(230, 230, 240));
    painter.fillRect(image.rect(), gradient);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(250, 250, 250));
    painter.drawRect(size.width() / 8, size.height() / 8, size.width() / 2, size.height() / 3);
    painter.setBrush(QColor(20, 20, 20));
    for (int i = 0; i < 6; ++i)
        painter.drawRect(size.width() / 6, size.height() / 6 + i * size.height() / 30, size.width() / 3,
            std::max(1, size.height() / 80));
    return image;
}

void appendBigEndian(QByteArray& bytes, quint32 value)
{
    char four[4];
    qToBigEndian(value, four);
    bytes.append(four, 4);
}

void appendChunk(QByteArray& png, const char* type, const QByteArray& data)
{
    const QByteArray body = QByteArray(type, 4) + data;
    appendBigEndian(png, static_cast<quint32>(data.size()));
    png += body;
    appendBigEndian(png,
        static_cast<quint32>(
            ::crc32(0, reinterpret_cast<const Bytef*>(body.constData()), static_cast<uInt>(body.size()))));
}

// A valid one-grey PNG of any size without ever holding its pixels: the rows are all alike, and after a
// full flush deflate compresses each one to the same bytes, so one compressed row repeated makes the stream.
QByteArray flatPng(QSize size)
{
    const QByteArray row = QByteArray(1, '\0') + QByteArray(size.width(), '\x80');
    z_stream stream {};
    if (deflateInit2(&stream, 9, Z_DEFLATED, -15, 9, Z_DEFAULT_STRATEGY) != Z_OK)
        return {};
    QByteArray compressedRow(static_cast<int>(deflateBound(&stream, row.size())) + 64, '\0');
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(row.constData()));
    stream.avail_in = static_cast<uInt>(row.size());
    stream.next_out = reinterpret_cast<Bytef*>(compressedRow.data());
    stream.avail_out = static_cast<uInt>(compressedRow.size());
    deflate(&stream, Z_FULL_FLUSH);
    compressedRow.truncate(compressedRow.size() - static_cast<int>(stream.avail_out));
    QByteArray end(64, '\0');
    stream.next_out = reinterpret_cast<Bytef*>(end.data());
    stream.avail_out = static_cast<uInt>(end.size());
    deflate(&stream, Z_FINISH);
    end.truncate(end.size() - static_cast<int>(stream.avail_out));
    deflateEnd(&stream);

    const uLong rowSum
        = ::adler32(1, reinterpret_cast<const Bytef*>(row.constData()), static_cast<uInt>(row.size()));
    uLong sum = rowSum;
    for (int i = 1; i < size.height(); ++i)
        sum = ::adler32_combine(sum, rowSum, row.size());
    QByteArray data("\x78\xda", 2);
    data += compressedRow.repeated(size.height());
    data += end;
    appendBigEndian(data, static_cast<quint32>(sum));

    QByteArray header;
    appendBigEndian(header, static_cast<quint32>(size.width()));
    appendBigEndian(header, static_cast<quint32>(size.height()));
    header += QByteArray("\x08\x00\x00\x00\x00", 5); // 8-bit grey, no interlace
    QByteArray png("\x89PNG\r\n\x1a\n", 8);
    appendChunk(png, "IHDR", header);
    appendChunk(png, "IDAT", data);
    appendChunk(png, "IEND", {});
    return png;
}

// Beyond this the program never decodes a picture, so what it shows does not matter, only that it is one.
constexpr qint64 largestDrawnCapture = 8192LL * 8192LL;

} // namespace

void ProcessesSimulated::writeCapture(Outcome outcome, const QString& target, QSize size)
{
    if (outcome == Outcome::WritePng && qint64(size.width()) * size.height() <= largestDrawnCapture) {
        screenLikeImage(size).save(target, "PNG");
        return;
    }
    if (outcome != Outcome::WritePng && outcome != Outcome::WriteEmpty && outcome != Outcome::WriteTruncated)
        return;
    QByteArray bytes;
    if (outcome == Outcome::WritePng)
        bytes = flatPng(size);
    if (outcome == Outcome::WriteTruncated) {
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        screenLikeImage(size).save(&buffer, "PNG");
        bytes.truncate(bytes.size() / 2);
    }
    QFile file(target);
    if (file.open(QIODevice::WriteOnly))
        file.write(bytes);
}

ProcessesSimulated::ProcessesSimulated(Scheduler& scheduler)
    : m_scheduler(scheduler)
{ }

void ProcessesSimulated::captureWritesPng(QSize size)
{
    if (size.width() <= 0 || size.height() <= 0)
        return;
    m_nextCapture = Outcome::WritePng;
    m_captureSize = size;
}

void ProcessesSimulated::captureWritesEmptyFile()
{
    m_nextCapture = Outcome::WriteEmpty;
}

void ProcessesSimulated::captureWritesTruncatedPng(QSize size)
{
    if (size.width() <= 0 || size.height() <= 0)
        return;
    m_nextCapture = Outcome::WriteTruncated;
    m_captureSize = size;
}

void ProcessesSimulated::captureCrashes()
{
    m_nextCapture = Outcome::Crash;
}

void ProcessesSimulated::captureExitsWithoutFile()
{
    m_nextCapture = Outcome::ExitWithoutFile;
}

void ProcessesSimulated::captureCannotStart()
{
    m_nextCapture = Outcome::CannotStart;
}

int ProcessesSimulated::runningCount() const
{
    int count = m_detachedCount;
    for (const auto& weak : m_processes) {
        if (auto process = weak.lock(); process && process->isRunning())
            ++count;
    }
    return count;
}

std::shared_ptr<Processes::Running> ProcessesSimulated::start(
    const QString& program, const QStringList& arguments, ExitHandler onExit)
{
    m_started.push_back({ program, arguments });
    const bool isCapture = program == captureTool;
    Outcome outcome = Outcome::ExitWithoutFile;
    if (isCapture) {
        outcome = m_nextCapture;
        m_nextCapture = Outcome::ExitWithoutFile;
        if (outcome == Outcome::CannotStart)
            return nullptr;
    }

    auto process = std::make_shared<Process>();
    std::erase_if(m_processes, [](const auto& weak) { return weak.expired(); });
    m_processes.push_back(process);

    const QString target = arguments.isEmpty() ? QString() : arguments.last();
    const QSize size = m_captureSize;
    // The task keeps the process alive until it has ended, as the system keeps a real child process.
    process->m_exit = m_scheduler.after(isCapture ? m_captureDuration : 0,
        [process, isCapture, outcome, target, size, onExit = std::move(onExit)](bool terminated) {
            if (isCapture && !terminated)
                writeCapture(outcome, target, size);
            process->m_running = false;
            if (onExit)
                onExit(terminated || (isCapture && outcome == Outcome::Crash) ? -1 : 0);
        });
    return process;
}

bool ProcessesSimulated::startDetached(const QString& program, const QStringList& arguments)
{
    m_started.push_back({ program, arguments, true });
    ++m_detachedCount;
    return true;
}
