// SPDX-License-Identifier: GPL-3.0-or-later
#include "grid/TreeView.h"

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QHeaderView>
#include <QImage>
#include <QStyle>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <string>
#include <vector>

using namespace nullsweep;

namespace {

struct HeaderCall {
    int column;
    MouseButton button;
};

// A shown view over a tree of int rows with three 80-pixel columns.
struct Fixture {
    TVirtualStringTree tree;
    TreeView view{tree};
    QAbstractItemModelTester tester{&view.Model(),
                                    QAbstractItemModelTester::FailureReportingMode::Fatal};
    std::vector<HeaderCall> headerCalls;
    int doubleClicks = 0;

    Fixture() {
        tree.SetNodeDataSize(sizeof(int));
        tree.OnInitNode = [](PVirtualNode n) { n->CheckType = ctCheckBox; };
        tree.OnGetText = [](PVirtualNode n, int column, VSTTextType, std::string& text) {
            text = std::to_string(value(n)) + ":" + std::to_string(column);
        };
        tree.OnHeaderClick = [this](int column, MouseButton button, int, int) {
            headerCalls.push_back({column, button});
        };
        tree.OnDblClick = [this] { ++doubleClicks; };
        tree.Columns().BeginUpdate();
        for (int i = 0; i < 3; ++i)
            tree.Columns().Add().SetWidth(80);
        tree.Columns().EndUpdate();
        for (int i = 0; i < 5; ++i)
            value(tree.AddChild(nullptr)) = i;
        view.resize(400, 300);
        view.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&view));
    }
    static int& value(PVirtualNode n) { return *static_cast<int*>(n->Data()); }
    PVirtualNode node(int row) { return tree.RootNode()->ChildAt(std::uint32_t(row)); }
    QPoint headerPoint(int column) {
        return {view.header()->sectionViewportPosition(column) + 20, TreeView::HeaderHeight / 2};
    }
    QPoint cellPoint(int row, int column) {
        return view.visualRect(view.Model().index(row, column)).center();
    }
};

double luminance(QColor c) {
    auto channel = [](double v) {
        return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) + 0.0722 * channel(c.blueF());
}

// The contrast ratio of two colours, 1 (none) to 21 (black on white).
double contrast(QColor a, QColor b) {
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// How strongly the most distinct pixel of `area` stands out from `background`: the text drawn
// there.
double strongestContrast(const QImage& image, const QRect& area, QColor background) {
    double best = 1;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            best = std::max(best, contrast(image.pixelColor(x, y), background));
    return best;
}

// A theme with near-white text on near-black, as dark desktop themes have.
QPalette darkPalette() {
    QPalette dark(QColor(53, 53, 53), QColor(36, 36, 36));
    for (auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        dark.setColor(role, QColor(238, 238, 236));
    dark.setColor(QPalette::Highlight, QColor(21, 83, 158));
    dark.setColor(QPalette::HighlightedText, Qt::white);
    dark.setColor(QPalette::ToolTipBase, QColor(40, 40, 40));
    dark.setColor(QPalette::ToolTipText, QColor(238, 238, 236));
    return dark;
}

} // namespace

// The grid keeps its own light colours in every theme, so its texts take colours that read on
// them: plain, highlighted, dimmed, on a column's own colour, and the header's captions.
TEST(TreeView, TextsReadOnTheGridsColoursInADarkTheme) {
    const QPalette before = QApplication::palette();
    QApplication::setPalette(darkPalette());
    {
        Fixture f;
        f.tree.Columns().Items(0).SetText("Name");
        f.tree.Columns().Items(2).SetText("Hint");
        f.tree.Columns().Items(2).SetColor(clInfoBk);
        f.tree.OnGetText = [](PVirtualNode, int, VSTTextType, std::string& text) { text = "MMMM"; };
        f.tree.OnGetDimmed = [&](PVirtualNode n) { return n == f.node(3); };
        f.tree.SetFocusedNode(f.node(1));
        const QImage shot = f.view.viewport()->grab().toImage();
        const QColor grid(TreeView::Background);
        auto cell = [&](int row, int column) {
            return f.view.visualRect(f.view.Model().index(row, column)).adjusted(2, 1, -2, -2);
        };
        EXPECT_GE(strongestContrast(shot, cell(0, 1), grid), 4.5);
        EXPECT_GE(strongestContrast(shot, cell(3, 1), grid), 3.0); // dimmed, still legible
        const QColor tip = QApplication::palette().color(QPalette::ToolTipBase);
        EXPECT_GE(strongestContrast(shot, cell(0, 2), tip), 4.5);
        const QColor highlight = f.view.palette().color(QPalette::Highlight);
        EXPECT_GE(contrast(highlight, grid), 1.5); // the highlighted row shows
        EXPECT_GE(strongestContrast(shot, cell(1, 1), highlight), 4.5);

        const QImage head = f.view.header()->grab().toImage();
        const QRect caption(f.view.header()->sectionViewportPosition(0) + 2, 2, 40,
                            TreeView::HeaderHeight - 4);
        EXPECT_GE(strongestContrast(head, caption, QColor(TreeView::HeaderBackground)), 4.5);
    }
    QApplication::setPalette(before);
}

// Every row is as high as the font needs with its descenders and the grid line below, and the
// same for all rows, whether or not a row's text needs a fallback font.
TEST(TreeView, EveryRowHasRoomForDescendersAndTheGridLine) {
    Fixture f;
    int wide = 0;
    f.tree.OnGetText = [&](PVirtualNode n, int, VSTTextType, std::string& text) {
        text = Fixture::value(n) == wide ? "\xe4\xb8\xad\xe6\x96\x87\xe5\x90\x8d" : "p__init__.py";
    };
    auto heights = [&] {
        std::vector<int> out;
        for (int row = 0; row < 5; ++row)
            out.push_back(f.view.visualRect(f.view.Model().index(row, 1)).height());
        return out;
    };
    f.tree.BeginUpdate();
    f.tree.EndUpdate();
    const std::vector<int> first = heights();
    wide = 4; // the row that needs another font is now the last
    f.tree.BeginUpdate();
    f.tree.EndUpdate();
    EXPECT_EQ(heights(), first);
    EXPECT_EQ(std::count(first.begin(), first.end(), first[0]), 5);
    const QFontMetrics metrics(f.view.font());
    // A pixel above and below the text, and the grid line.
    EXPECT_GE(first[0], metrics.height() + 3);
    EXPECT_GE(first[0], f.view.style()->pixelMetric(QStyle::PM_IndicatorHeight) + 1);
}

// Hot tracking: the row under the mouse is tinted, the others keep the grid's colour.
TEST(TreeView, TheRowUnderTheMouseIsTinted) {
    Fixture f;
    QTest::mouseMove(f.view.viewport(), f.cellPoint(2, 1));
    QApplication::processEvents();
    const QImage shot = f.view.viewport()->grab().toImage();
    auto corner = [&](int row) {
        return shot.pixelColor(f.view.visualRect(f.view.Model().index(row, 1)).topLeft() +
                               QPoint(1, 1));
    };
    EXPECT_EQ(corner(3), QColor(TreeView::Background));
    // A tint one sees: the lightness differs by a few percent at least.
    EXPECT_GE(contrast(corner(2), QColor(TreeView::Background)), 1.08)
        << corner(2).name().toStdString();
}

// The font is made small enough for the time texts of the user's locale to fit a time column,
// and the rows follow it.
TEST(TreeView, TheFontFitsTheLocalesTimeTextsToATimeColumn) {
    Fixture f;
    const QString american = QStringLiteral("12/28/2026 11:59:59 PM");
    f.view.FitFontTo(american);
    const int margin = f.view.style()->pixelMetric(QStyle::PM_FocusFrameHMargin) + 1;
    const QFontMetrics metrics(f.view.font());
    EXPECT_LE(metrics.horizontalAdvance(american) + 2 * margin + 1, 110);
    EXPECT_EQ(f.view.visualRect(f.view.Model().index(0, 0)).height(), f.view.RowHeight());
    EXPECT_GE(f.view.RowHeight(), metrics.height() + 3);
}

TEST(TreeView, IsSetUpAsTheResultGrid) {
    Fixture f;
    EXPECT_EQ(f.view.header()->height(), TreeView::HeaderHeight);
    EXPECT_FALSE(f.view.isSortingEnabled());
    EXPECT_TRUE(f.view.header()->isSortIndicatorShown());
    EXPECT_TRUE(f.view.header()->sectionsMovable());
    EXPECT_TRUE(f.view.uniformRowHeights());
    EXPECT_EQ(f.view.selectionBehavior(), QAbstractItemView::SelectRows);
    EXPECT_EQ(f.view.palette().color(QPalette::Base), QColor(239, 243, 255));
    EXPECT_EQ(f.view.header()->sortIndicatorSection(), -1);
}

TEST(TreeView, HeaderClicksReachTheTreeWithTheirButton) {
    Fixture f;
    QTest::mouseClick(f.view.header()->viewport(), Qt::LeftButton, {}, f.headerPoint(1));
    QTest::mouseClick(f.view.header()->viewport(), Qt::RightButton, {}, f.headerPoint(2));
    QTest::mouseClick(f.view.header()->viewport(), Qt::MiddleButton, {}, f.headerPoint(0));
    ASSERT_EQ(f.headerCalls.size(), 3u);
    EXPECT_EQ(f.headerCalls[0].column, 1);
    EXPECT_EQ(f.headerCalls[0].button, MouseButton::mbLeft);
    EXPECT_EQ(f.headerCalls[1].column, 2);
    EXPECT_EQ(f.headerCalls[1].button, MouseButton::mbRight);
    EXPECT_EQ(f.headerCalls[2].button, MouseButton::mbMiddle);
    // The handler sorted nothing: the header shows no sort mark although Qt flips its own.
    EXPECT_EQ(f.view.header()->sortIndicatorSection(), -1);
    EXPECT_EQ(f.node(0), f.tree.GetFirst());
}

TEST(TreeView, TheSortMarkFollowsTheTreesHeader) {
    Fixture f;
    f.tree.OnHeaderClick = [&](int column, MouseButton, int, int) {
        f.tree.SetSortColumn(column);
        f.tree.SetSortDirection(sdDescending);
    };
    QTest::mouseClick(f.view.header()->viewport(), Qt::LeftButton, {}, f.headerPoint(2));
    EXPECT_EQ(f.view.header()->sortIndicatorSection(), 2);
    EXPECT_EQ(f.view.header()->sortIndicatorOrder(), Qt::DescendingOrder);
    // Clicking again: Qt would flip to ascending, the tree still says descending.
    QTest::mouseClick(f.view.header()->viewport(), Qt::LeftButton, {}, f.headerPoint(2));
    EXPECT_EQ(f.view.header()->sortIndicatorOrder(), Qt::DescendingOrder);
    f.tree.Columns().Clear();
    EXPECT_EQ(f.view.header()->sortIndicatorSection(), -1);
}

TEST(TreeView, AFailingHandlerIsDropped) {
    Fixture f;
    f.tree.OnHeaderClick = [](int, MouseButton, int, int) { throw std::runtime_error("lost"); };
    f.tree.OnDblClick = [] { throw std::runtime_error("lost"); };
    QTest::mouseClick(f.view.header()->viewport(), Qt::LeftButton, {}, f.headerPoint(0));
    QTest::mouseDClick(f.view.viewport(), Qt::LeftButton, {}, f.cellPoint(1, 1));
    EXPECT_EQ(f.tree.FocusedNode(), f.node(1)); // the view carried on
}

TEST(TreeView, ADoubleClickFocusesTheRowAndReachesTheTree) {
    Fixture f;
    QTest::mouseDClick(f.view.viewport(), Qt::LeftButton, {}, f.cellPoint(3, 2));
    EXPECT_EQ(f.doubleClicks, 1);
    EXPECT_EQ(f.tree.FocusedNode(), f.node(3));
    // Below the last row there is no row, but it is still a double click on the grid.
    QTest::mouseDClick(f.view.viewport(), Qt::LeftButton, {}, QPoint(50, 280));
    EXPECT_EQ(f.doubleClicks, 2);
}

TEST(TreeView, ClickingTheBoxTogglesTheRowsCheckState) {
    Fixture f;
    const QRect cell = f.view.visualRect(f.view.Model().index(2, 0));
    const int margin = f.view.style()->pixelMetric(QStyle::PM_FocusFrameHMargin) + 1;
    const int box = f.view.style()->pixelMetric(QStyle::PM_IndicatorWidth);
    const QPoint onBox(cell.left() + margin + box / 2, cell.center().y());
    QTest::mouseClick(f.view.viewport(), Qt::LeftButton, {}, onBox);
    EXPECT_EQ(f.node(2)->CheckState, csCheckedNormal);
    QTest::qWait(QApplication::doubleClickInterval() + 50); // two clicks, not a double click
    QTest::mouseClick(f.view.viewport(), Qt::LeftButton, {}, onBox);
    EXPECT_EQ(f.node(2)->CheckState, csUncheckedNormal);
    // A click on the text beside it does not toggle.
    QTest::mouseClick(f.view.viewport(), Qt::LeftButton, {}, f.cellPoint(2, 1));
    EXPECT_EQ(f.node(2)->CheckState, csUncheckedNormal);
}

TEST(TreeView, TheFocusedNodeAndTheCurrentRowFollowEachOther) {
    Fixture f;
    f.tree.SetFocusedNode(f.node(2));
    EXPECT_EQ(f.view.currentIndex().row(), 2);
    f.view.setCurrentIndex(f.view.Model().index(4, 1));
    EXPECT_EQ(f.tree.FocusedNode(), f.node(4));

    // A bracket resets the model; the focus survives it on both sides.
    f.tree.BeginUpdate();
    Fixture::value(f.tree.AddChild(nullptr)) = 9;
    f.tree.EndUpdate();
    EXPECT_EQ(f.tree.FocusedNode(), f.node(4));
    EXPECT_EQ(f.view.currentIndex().row(), 4);

    // Deleting the focused row leaves no focus, not a neighbour's.
    f.tree.DeleteNode(f.node(4));
    EXPECT_EQ(f.tree.FocusedNode(), nullptr);
    EXPECT_FALSE(f.view.currentIndex().isValid());

    f.view.setCurrentIndex(f.view.Model().index(1, 0));
    f.tree.Clear();
    EXPECT_EQ(f.tree.FocusedNode(), nullptr);
    EXPECT_FALSE(f.view.currentIndex().isValid());
}

TEST(TreeView, KeyboardFocusDoesNotFocusARow) {
    Fixture f;
    QWidget other;
    other.show();
    other.setFocus();
    f.view.activateWindow();
    f.view.setFocus(Qt::TabFocusReason);
    QApplication::processEvents();
    EXPECT_EQ(f.tree.FocusedNode(), nullptr);
}

TEST(TreeView, ColumnsFollowTheTreesCollection) {
    Fixture f;
    VTColumns& columns = f.tree.Columns();
    columns.Items(0).SetWidth(120);
    columns.Items(1).SetOptions(columns.Items(1).Options() & ~coVisible);
    columns.Items(2).SetPosition(0);
    QHeaderView* header = f.view.header();
    EXPECT_EQ(header->sectionSize(0), 120);
    EXPECT_TRUE(f.view.isColumnHidden(1));
    EXPECT_EQ(header->visualIndex(2), 0);
    EXPECT_EQ(header->visualIndex(0), 1);

    // The layout survives the reset of a bracket.
    f.tree.BeginUpdate();
    f.tree.AddChild(nullptr);
    f.tree.EndUpdate();
    EXPECT_EQ(header->sectionSize(0), 120);
    EXPECT_TRUE(f.view.isColumnHidden(1));
    EXPECT_EQ(header->visualIndex(2), 0);

    // The user's moves and resizes are the widget's state: the tree's columns take them.
    header->moveSection(0, 2);
    EXPECT_EQ(columns.Items(2).Position(), 2u);
    header->resizeSection(0, 95);
    EXPECT_EQ(columns.Items(0).Width(), 95);
    EXPECT_TRUE(f.view.isColumnHidden(1));
}

TEST(TreeView, TheRowsAreDrawnFromTheTree) {
    Fixture f;
    std::vector<int> asked;
    f.tree.OnGetText = [&](PVirtualNode n, int column, VSTTextType, std::string& text) {
        asked.push_back(Fixture::value(n));
        text = "x";
    };
    f.view.viewport()->repaint();
    // Every visible row was painted; texts were asked of the tree, not remembered.
    for (int v = 0; v < 5; ++v)
        EXPECT_NE(std::find(asked.begin(), asked.end(), v), asked.end());
}
