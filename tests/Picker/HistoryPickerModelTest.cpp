#include "Picker/HistoryPickerModel.h"
#include "Picker/HistoryListModel.h"

#include "PickerTestItems.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>

#include <gtest/gtest.h>

namespace {

QStringList previews(const QList<ClipboardItem>& items)
{
    QStringList result;
    for (const auto& item : items)
        result.append(item.preview);
    return result;
}

} // namespace

TEST(HistoryPickerModel, EmptyHistoryHasNoSelectionAndIgnoresMoves)
{
    HistoryPickerModel model;
    model.reset({}, nullptr);
    EXPECT_TRUE(model.visible().empty());
    EXPECT_FALSE(model.selectedItem());
    model.move(1);
    model.move(-1);
    EXPECT_EQ(model.selection(), 0);
}

TEST(HistoryPickerModel, MovingWrapsAroundTheVisibleRows)
{
    HistoryPickerModel model;
    model.reset(pickerItems(3), nullptr);
    model.setSelection(2);
    model.move(1);
    EXPECT_EQ(model.selection(), 0);
    model.move(-1);
    EXPECT_EQ(model.selection(), 2);
    EXPECT_EQ(model.selectedItem()->id, QStringLiteral("ID-2"));

    // Within a filtered list the wrap follows the filtered rows, not the whole history.
    model.reset({ pickerItem(0, "apple"), pickerItem(1, "pear"), pickerItem(2, "apricot") }, nullptr);
    model.setQuery("ap");
    model.move(-1);
    EXPECT_EQ(model.selection(), 1);
    EXPECT_EQ(model.selectedItem()->preview, QStringLiteral("apricot"));
}

TEST(HistoryPickerModel, FilterIgnoresCaseInEveryScriptAndSearchesOnlyThePreview)
{
    HistoryPickerModel model;
    auto shot = pickerItem(3, QStringLiteral("Снимок экрана.png"), ClipboardItem::Kind::Image);
    shot.sourceBundleID = QStringLiteral("org.example.Safari");
    model.reset({ pickerItem(0, QStringLiteral("Привет, Мир")), pickerItem(1, QStringLiteral("hello World")),
                    pickerItem(2, QStringLiteral("Straße 5")), shot, pickerItem(4, QStringLiteral("ЁЛКА")) },
        nullptr);

    const std::vector<std::pair<QString, QStringList>> cases {
        { QStringLiteral("мИР"), { QStringLiteral("Привет, Мир") } },
        { QStringLiteral("WORLD"), { QStringLiteral("hello World") } },
        { QStringLiteral("STRASSE"), { QStringLiteral("Straße 5") } },
        { QStringLiteral("ёлк"), { QStringLiteral("ЁЛКА") } },
        { QStringLiteral("o"), { QStringLiteral("hello World") } },
        { QStringLiteral("safari"), {} },
        { QStringLiteral("image"), {} },
        { QStringLiteral("public"), {} },
    };
    for (const auto& [query, expected] : cases) {
        model.setQuery(query);
        EXPECT_EQ(previews(model.visible()), expected) << query.toStdString();
    }
    model.setQuery({});
    EXPECT_EQ(model.visible().size(), 5u);
}

TEST(HistoryPickerModel, RemovingKeepsTheSelectionOnARow)
{
    HistoryPickerModel model;
    auto items = pickerItems(3);
    model.reset(items, nullptr);
    model.setSelection(2);
    model.remove(items[2]);
    EXPECT_EQ(model.selection(), 1);
    EXPECT_EQ(model.selectedItem()->id, items[1].id);

    // Removing a row above the selection never moves the selection up past a valid row.
    model.setSelection(0);
    model.remove(items[1]);
    EXPECT_EQ(model.selection(), 0);

    model.remove(items[0]);
    EXPECT_TRUE(model.items().empty());
    EXPECT_EQ(model.selection(), 0);

    // Every entry with that id goes, and an id that is not there changes nothing.
    model.reset({ items[0], items[1], items[0] }, nullptr);
    model.remove(items[0]);
    EXPECT_EQ(previews(model.items()), QStringList { items[1].preview });
    model.remove(items[2]);
    EXPECT_EQ(model.items().size(), 1u);
}

TEST(HistoryPickerModel, ThumbnailsAreAskedForOncePerOpeningEvenWhenTheyFail)
{
    HistoryPickerModel model;
    const auto items = pickerItems(2);
    QStringList asked;
    const auto loader = [&](const ClipboardItem& item) -> std::optional<QImage> {
        asked.append(item.id);
        if (item.id == QStringLiteral("ID-0"))
            return std::nullopt;
        QImage image(4, 4, QImage::Format_ARGB32);
        image.fill(Qt::red);
        return image;
    };
    model.reset(items, loader);
    EXPECT_FALSE(model.thumbnail(items[0]));
    EXPECT_FALSE(model.thumbnail(items[0]));
    EXPECT_EQ(model.thumbnail(items[1])->pixelColor(0, 0), QColor(Qt::red));
    EXPECT_TRUE(model.thumbnail(items[1]));
    EXPECT_EQ(asked, (QStringList { "ID-0", "ID-1" }));

    model.reset(items, loader);
    EXPECT_FALSE(model.thumbnail(items[0]));
    EXPECT_EQ(asked.size(), 3);

    // Before any supplier is given there is simply no thumbnail.
    HistoryPickerModel fresh;
    EXPECT_FALSE(fresh.thumbnail(items[0]));
}

TEST(HistoryPickerModel, NotifiesOnlyWhenAValueChanges)
{
    HistoryPickerModel model;
    QSignalSpy items(&model, &HistoryPickerModel::itemsChanged);
    QSignalSpy query(&model, &HistoryPickerModel::queryChanged);
    QSignalSpy selection(&model, &HistoryPickerModel::selectionChanged);

    model.reset(pickerItems(4), nullptr);
    EXPECT_EQ(items.count(), 1);
    EXPECT_EQ(query.count(), 0);
    EXPECT_EQ(selection.count(), 0);

    model.setItems(pickerItems(4));
    model.setSelection(0);
    model.setQuery({});
    EXPECT_EQ(items.count(), 1);
    EXPECT_EQ(query.count(), 0);
    EXPECT_EQ(selection.count(), 0);

    model.setSelection(2);
    model.setSelection(2);
    EXPECT_EQ(selection.count(), 1);
    // The same query again leaves the text alone but still takes the selection back to the first row.
    model.setQuery({});
    EXPECT_EQ(query.count(), 0);
    EXPECT_EQ(selection.count(), 2);
    model.setQuery("a");
    model.setQuery("a");
    EXPECT_EQ(query.count(), 1);

    auto changed = pickerItems(4);
    changed[3].date += 1;
    model.setItems(changed);
    EXPECT_EQ(items.count(), 2);
    // What else a reset notifies, and in which order, is ResetNotifiesInOrderWithEveryFieldAlreadyNew's.
    model.reset(changed, nullptr);
    EXPECT_EQ(items.count(), 2) << "the same items again are no change";
}

TEST(HistoryPickerModel, ResetNotifiesInOrderWithEveryFieldAlreadyNew)
{
    HistoryPickerModel model;
    model.reset(pickerItems(3), nullptr);
    model.setQuery("2");
    model.setSelection(5);

    QStringList seen;
    const auto record = [&](const char* name) {
        seen.append(QStringLiteral("%1 %2 %3 %4")
                        .arg(name)
                        .arg(model.items().size())
                        .arg(model.query())
                        .arg(model.selection()));
    };
    QObject::connect(&model, &HistoryPickerModel::itemsChanged, [&] { record("items"); });
    QObject::connect(&model, &HistoryPickerModel::queryChanged, [&] { record("query"); });
    QObject::connect(&model, &HistoryPickerModel::selectionChanged, [&] { record("selection"); });
    model.reset(pickerItems(4), nullptr);
    EXPECT_EQ(seen, (QStringList { "items 4  0", "query 4  0", "selection 4  0" }));
    EXPECT_EQ(model.visible().size(), 4u);
}

TEST(HistoryPickerModel, RemovingWhileSearchingKeepsTheFilterRight)
{
    HistoryPickerModel model;
    model.reset(
        { pickerItem(0, "Альфа"), pickerItem(1, "бета"), pickerItem(2, "АЛЬФА два"), pickerItem(3, "гамма") },
        nullptr);
    model.setQuery("альфа");
    model.setSelection(1);
    model.remove(pickerItem(1, "бета"));
    EXPECT_EQ(previews(model.visible()), (QStringList { "Альфа", "АЛЬФА два" }));
    EXPECT_EQ(model.selection(), 1);
    model.remove(pickerItem(0, "Альфа"));
    EXPECT_EQ(previews(model.visible()), QStringList { "АЛЬФА два" });
    EXPECT_EQ(model.selection(), 0);
    model.setQuery("гам");
    EXPECT_EQ(previews(model.visible()), QStringList { "гамма" });
}

// Typing on and deleting reuse earlier searches; whatever path a query takes, it shows what a fresh
// search shows, also once the list has changed under it.
TEST(HistoryPickerModel, AQueryShowsTheSameRowsHoweverItWasTyped)
{
    QList<ClipboardItem> items;
    const QStringList texts { "отчёт", "ОТЧЁТ за квартал", "встреча", "тот", "от", "кот", "отт", "о т" };
    for (int n = 0; n < texts.size(); ++n)
        items.push_back(pickerItem(n, texts[n]));
    const auto fresh = [&](const QList<ClipboardItem>& list, const QString& query) {
        HistoryPickerModel model;
        model.reset(list, nullptr);
        model.setQuery(query);
        return previews(model.visible());
    };

    HistoryPickerModel model;
    model.reset(items, nullptr);
    for (const QString query : { "о", "от", "отч", "от", "о", "т", "от", "тот", "о т", "отт", "от" }) {
        model.setQuery(query);
        EXPECT_EQ(previews(model.visible()), fresh(items, query)) << query.toStdString();
    }

    // Rows remembered for a query name positions in the list they were found in.
    model.remove(items[0]);
    items.erase(items.begin());
    model.setQuery("о");
    EXPECT_EQ(previews(model.visible()), fresh(items, "о"));
    model.setQuery("от");
    EXPECT_EQ(previews(model.visible()), fresh(items, "от"));
    std::rotate(items.begin(), items.begin() + 2, items.end());
    model.setItems(items);
    model.setQuery("о");
    EXPECT_EQ(previews(model.visible()), fresh(items, "о"));
}

// In steps, a query shows at once what a short search finds; each step adds the rows it found at the end, as
// insertions the list view can follow, until the rows are those a search of the whole history finds.
TEST(HistoryPickerModel, AQueryTypedInStepsGrowsToTheWholeResult)
{
    QList<ClipboardItem> items;
    for (int n = 0; n < 60'000; ++n)
        items.push_back(pickerItem(n,
            (n % 7 == 0 ? QStringLiteral("ОТЧЁТ %1 ") : QStringLiteral("встреча %1 ")).arg(n).repeated(20)));
    const auto whole = [&](const QString& query) {
        HistoryPickerModel model;
        model.reset(items, nullptr);
        model.setQuery(query);
        return previews(model.visible());
    };
    const QStringList expected = whole(QStringLiteral("отчё"));

    HistoryPickerModel model;
    HistoryListModel rows(model);
    QAbstractItemModelTester tester(&rows, QAbstractItemModelTester::FailureReportingMode::Fatal);
    QSignalSpy appended(&model, &HistoryPickerModel::rowsAppended);
    model.reset(items, nullptr);
    model.prepareSearchInSteps();
    model.setQuery(QStringLiteral("отчё"));
    EXPECT_FALSE(model.searchReady()) << "a keystroke does not wait for the whole history";
    do {
        const QStringList shown = previews(model.visible());
        ASSERT_EQ(shown, expected.first(shown.size()));
        ASSERT_EQ(rows.rowCount(), shown.size());
    } while (model.prepareSearchStep(0));
    EXPECT_EQ(previews(model.visible()), expected);
    EXPECT_GT(appended.count(), 0);

    // Typing on before the steps are done, taking letters back and typing again: every query ends where a
    // search of the whole history ends.
    for (const QString query :
        { "о", "от", "отч", "от", "о", "3", "31", "3", "встреча 59", "встреча 5", "й" }) {
        model.setQuery(query);
        if (query.size() % 2 == 1)
            continue;
        while (model.prepareSearchStep(0)) { }
        EXPECT_EQ(previews(model.visible()), whole(query)) << query.toStdString();
    }
    while (model.prepareSearchStep(0)) { }
    EXPECT_EQ(previews(model.visible()), whole(QStringLiteral("й")));

    // Wrapping around to the last row waits for it to be found.
    model.setQuery(QStringLiteral("встреча"));
    model.move(-1);
    EXPECT_EQ(model.selectedItem()->preview, whole(QStringLiteral("встреча")).back());
}
