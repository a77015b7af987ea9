// The history panel on a private Xvfb with a real store of 10k and 100k
// items, one image in ten: the hot key to the panel's first painted frame,
// a keystroke in the search field to the repainted cards for each kind of
// query, scrolling page by page through image cards, and the resident
// memory that opening the panel and scrolling through 1,000 image cards
// adds. A timed harness: it prints its figures.
//   panel_bench [--items N,...]       (default: 10000,100000)
#include "PanelRig.h"
#include "TestContent.h"
#include "XvfbSession.h"
#include "content/Hash.h"
#include "content/Preferences.h"
#include "core/AppState.h"
#include "history/HistoryStore.h"
#include "history/StoreContainer.h"
#include "ui/CardStripView.h"
#include "ui/EmptyStateView.h"
#include "ui/HistoryPanel.h"
#include "ui/PanelContentView.h"
#include "ui/PanelWindow.h"
#include "ui/PreviewImageCache.h"
#include "ui/SearchBarView.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QPainter>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <algorithm>
#include <atomic>
#include <cstdio>

using namespace Qt::StringLiterals;
using namespace quillbox;
using namespace quillbox::testing;

namespace {

double residentMB() {
    QFile status(u"/proc/self/status"_s);
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.simplified().split(' ').value(1).toDouble() / 1024.0;
    }
    return 0;
}

// Counts the paints of a widget, so a measurement can end at the frame.
class PaintCounter : public QObject {
public:
    explicit PaintCounter(QWidget* widget) { widget->installEventFilter(this); }
    int paints = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

// Serves the event loop until the widget has painted once more; the paint
// is over when processEvents returns.
double msUntilPainted(PaintCounter& counter, const QElapsedTimer& since) {
    const int before = counter.paints;
    QElapsedTimer limit;
    limit.start();
    while (counter.paints == before && limit.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::AllEvents);
    return double(since.nsecsElapsed()) / 1e6;
}

void settle(int ms) {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

QByteArray picture(int index) {
    QImage image(160, 100, QImage::Format_RGB32);
    QPainter painter(&image);
    QLinearGradient gradient(0, 0, 160, 100);
    gradient.setColorAt(0, QColor::fromHsv(index * 37 % 360, 160, 220));
    gradient.setColorAt(1, QColor::fromHsv(index * 91 % 360, 200, 120));
    painter.fillRect(image.rect(), gradient);
    // Every picture differs: its number in the corner.
    painter.setPen(Qt::white);
    painter.drawText(image.rect().adjusted(6, 6, -6, -6), Qt::AlignLeft | Qt::AlignTop,
                     QString::number(index));
    painter.end();
    return encodedImage(image, "PNG");
}

void fill(HistoryStore& store, int count) {
    const QStringList words{u"meeting"_s, u"notes"_s,  u"invoice"_s, u"report"_s, u"draft"_s,
                            u"deploy"_s,  u"server"_s, u"budget"_s,  u"thanks"_s, u"link"_s};
    HistoryStore::Batch batch(store);
    for (int i = 0; i < count; ++i) {
        ParsedClipboardContent content;
        if (i % 10 == 3) {
            const QByteArray png = picture(i);
            content.content = png;
            content.contentType = u"public.png"_s;
            content.category = ContentCategory::image;
            content.imageDimensions = u"160 x 100"_s;
            content.contentHash = sha256Hash(png);
        } else {
            QStringList sentence;
            for (int w = 0; w < 3 + i % 20; ++w)
                sentence.append(words[(i * 7 + w * 3) % words.size()]);
            sentence.append(QString::number(i));
            content = textContent(sentence.join(u' '));
        }
        store.record(content, u"org.example.Editor"_s, u"Editor"_s);
    }
}

void run(int count) {
    QTemporaryDir folder;
    auto container = StoreContainer::makeShared(false, folder.filePath(u"Quillbox.store"_s));
    {
        HistoryStore filler(container);
        fill(filler, count);
    }
    container.reset();
    PanelRig rig(folder.path());
    AppState& state = rig.state;
    HistoryPanel& panel = rig.panel;
    std::atomic<int> mainThreadDecodes = 0;
    std::atomic<int> decodes = 0;
    QThread* mainThread = QThread::currentThread();
    panel.previewImages()->setDecoder([&](const QByteArray& bytes, QSize size) {
        ++decodes;
        if (QThread::currentThread() == mainThread)
            ++mainThreadDecodes;
        return PreviewImageCache::decodeFilling(bytes, size);
    });
    CardStripView* strip = panel.content()->strip();
    // The cards, or the empty state that stands in for them.
    PaintCounter stripPaints(strip->viewport());
    panel.content()->emptyState()->installEventFilter(&stripPaints);
    settle(200);
    const double idleMB = residentMB();
    std::printf("\n%d items (store loaded, panel closed): %.1f MB resident\n", count, idleMB);

    // Hot key to first frame, five times (the first one builds the window).
    std::vector<double> opens;
    for (int round = 0; round < 5; ++round) {
        QElapsedTimer timer;
        timer.start();
        state.togglePanel(); // what the hot key's handler does
        opens.push_back(msUntilPainted(stripPaints, timer));
        settle(300);
        state.togglePanel();
        settle(300);
    }
    std::printf(
        "  hot key to first painted frame: first %.1f ms, then best %.1f ms, worst %.1f ms\n",
        opens.front(), *std::min_element(opens.begin() + 1, opens.end()),
        *std::max_element(opens.begin() + 1, opens.end()));

    state.togglePanel();
    settle(400);
    QLineEdit* field = panel.content()->searchBar()->field();
    struct Query {
        const char* what;
        QString text;
    };
    const std::vector<Query> queries{{"one letter", u"e"_s},
                                     {"a word", u"invoice"_s},
                                     {"no match", u"zqxj"_s},
                                     {"a number", u"4242"_s}};
    for (const Query& query : queries) {
        std::vector<double> times;
        std::vector<double> synchronous; // filtering and the model's reset
        for (int round = 0; round < 5; ++round) {
            state.setSearchQuery(QString());
            settle(50);
            QElapsedTimer timer;
            timer.start();
            // The whole query arrives as one keystroke's change of text.
            field->setText(query.text);
            Q_EMIT field->textEdited(query.text);
            synchronous.push_back(double(timer.nsecsElapsed()) / 1e6);
            times.push_back(msUntilPainted(stripPaints, timer));
        }
        std::sort(times.begin(), times.end());
        std::sort(synchronous.begin(), synchronous.end());
        std::printf("  keystroke to repainted cards, %-10s: median %.1f ms (%.1f ms before "
                    "layout and paint), worst %.1f ms\n",
                    query.what, times[times.size() / 2], synchronous[synchronous.size() / 2],
                    times.back());
    }
    {
        state.setSearchQuery(QString());
        settle(50);
        QElapsedTimer timer;
        timer.start();
        state.setSelectedCategory(ContentCategory::image);
        const double ms = msUntilPainted(stripPaints, timer);
        std::printf("  chip \"Image\" to repainted cards: %.1f ms\n", ms);
    }

    // Page by page through the image cards.
    settle(500);
    QScrollBar* bar = strip->horizontalScrollBar();
    const int page = strip->viewport()->width();
    std::printf("  (image cards: %d, scroll range %d, page %d)\n", strip->model()->rowCount(),
                bar->maximum(), page);
    std::vector<double> frames;
    const int cardsPerPage = std::max(1, page / 212);
    const int pages = 1000 / cardsPerPage;
    for (int i = 0; i < pages && bar->value() < bar->maximum(); ++i) {
        QElapsedTimer timer;
        timer.start();
        bar->setValue(bar->value() + page);
        frames.push_back(msUntilPainted(stripPaints, timer));
        settle(20); // decodes finish on the workers, their cards repaint
    }
    settle(500);
    std::sort(frames.begin(), frames.end());
    std::printf("  scrolling a page of image cards (%zu pages, ~%d cards): median %.2f ms, "
                "95th %.2f ms, worst %.2f ms per frame; %d decodes, %d on the UI thread\n",
                frames.size(), int(frames.size()) * cardsPerPage, frames[frames.size() / 2],
                frames[frames.size() * 95 / 100], frames.back(), decodes.load(),
                mainThreadDecodes.load());
    std::printf("  resident after opening and scrolling through them: %.1f MB (+%.1f MB)\n",
                residentMB(), residentMB() - idleMB);
    state.setPanelVisible(false);
    settle(300);
}

} // namespace

int main(int argc, char** argv) {
    XvfbSession session;
    if (!session.startForThisProcess())
        return 1;
    QApplication app(argc, argv);
    QList<int> counts{10000, 100000};
    const QStringList arguments = app.arguments();
    if (const qsizetype at = arguments.indexOf(u"--items"_s);
        at >= 0 && at + 1 < arguments.size()) {
        counts.clear();
        for (const QString& n : arguments[at + 1].split(u','))
            counts.append(n.toInt());
    }
    for (const int count : counts)
        run(count);
    return 0;
}
