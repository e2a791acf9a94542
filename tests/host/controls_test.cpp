// Plain controls: masked edit, upper-case edit, list box, aligned bars, menus, the
// read-only data text and the navigator.
#include "Pixels.h"

#include <host/controls/CachedScrollBar.h>
#include <host/controls/Graphics.h>
#include <host/controls/MaskEdit.h>
#include <host/controls/Menus.h>
#include <host/controls/StdControls.h>
#include <host/controls/TextLayoutCache.h>
#include <host/core/TextosQt.h>
#include <host/dbcontrols/DBControls.h>
#include <host/forms/ControlImageCache.h>
#include <host/forms/Dialogs.h>
#include <host/forms/Form.h>
#include <host/forms/KeptLooksStyle.h>

#include <dataset/ClientDataSet.h>

#include <QGroupBox>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QMenu>
#include <QPainter>
#include <QStyleFactory>
#include <QTabWidget>
#include <QTest>

#include <gtest/gtest.h>

using namespace host;
using dataset::DataSetState;
using dataset::FieldType;

namespace {

class ControlsTest : public ::testing::Test {
protected:
    void SetUp() override {
        form.resize(400, 300);
        form.show();
        form.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    }
    TForm form;
    DialogScript dialogs;
};

TEST_F(ControlsTest, MaskedEditTakesOnlyWhatTheMaskAdmitsAndStoresWithoutLiterals) {
    auto* med = new TMaskEdit(&form);
    med->SetBounds(10, 10, 200, 21);
    med->SetEditMask("99999999999999999999;0; ");
    med->SetFocus();
    QTest::keyClicks(med, "12a3");
    EXPECT_EQ(med->Text(), "123");

    med->SetEditMask("999.999.999-99;0; ");
    med->SetText("12345678909");
    EXPECT_EQ(med->EditText(), "123.456.789-09");
    EXPECT_EQ(med->Text(), "12345678909");
    med->SetEditMask(">aaaaaa;0; ");
    med->SetText("");
    QTest::keyClick(med, Qt::Key_Home);
    QTest::keyClicks(med, "ab12");
    EXPECT_EQ(med->Text(), "AB12");
}

TEST_F(ControlsTest, UpperCaseEditAndItsChangeHandler) {
    auto* edt = new TEdit(&form);
    edt->SetCharCase(TEditCharCase::ecUpperCase);
    edt->SetMaxLength(3);
    int changes = 0;
    edt->OnChange = [&](QObject*) { ++changes; };
    edt->SetFocus();
    QTest::keyClicks(edt, "u1xz");
    EXPECT_EQ(edt->Text(), "U1X");
    EXPECT_EQ(changes, 3);
    edt->SetText("");
    EXPECT_EQ(changes, 4); // a change from code raises it too
}

TEST(Align, AlignedBarsFollowTheirParent) {
    TForm form;
    auto* top = new TPanel(&form);
    top->SetBounds(0, 0, 10, 30);
    top->SetAlign(TAlign::alTop);
    auto* bottom = new TPanel(&form);
    bottom->SetBounds(0, 0, 10, 25);
    bottom->SetAlign(TAlign::alBottom);
    auto* client = new TPanel(&form);
    client->SetAlign(TAlign::alClient);
    form.resize(500, 400);
    form.show();
    EXPECT_EQ(top->geometry(), QRect(0, 0, 500, 30));
    EXPECT_EQ(bottom->geometry(), QRect(0, 375, 500, 25));
    EXPECT_EQ(client->geometry(), QRect(0, 30, 500, 345));
}

TEST_F(ControlsTest, MenuItemsRunTheirHandlerAndCanBeDisabled) {
    auto* menu = new TMainMenu(&form);
    TMenuItem* operacao = menu->Add("mnuOperacao", "&Operação");
    TMenuItem* incluir = operacao->Add("mnuIncluir", "&Incluir");
    int clicks = 0;
    incluir->OnClick = [&](QObject*) { ++clicks; };
    incluir->Action()->trigger();
    EXPECT_EQ(clicks, 1);
    incluir->SetEnabled(false);
    incluir->Action()->trigger(); // a disabled entry cannot be chosen
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(form.findChild<TMenuItem*>("mnuIncluir"), incluir);
    incluir->OnClick = [](QObject*) { throw std::runtime_error("falhou"); };
    incluir->SetEnabled(true);
    incluir->Action()->trigger();
    EXPECT_EQ(dialogs.LastMessage(), "falhou");
}

TEST_F(ControlsTest, ListBoxItems) {
    auto* list = new TListBox(&form);
    list->SetItems({"Produto não controla estoque.", "Produto inativo para a filial."});
    list->Add("terceira");
    EXPECT_EQ(list->Count(), 3);
    EXPECT_EQ(list->Items().at(1), "Produto inativo para a filial.");
    list->Clear();
    EXPECT_EQ(list->Count(), 0);
}

TEST_F(ControlsTest, DataTextAndNavigatorFollowTheDataSet) {
    auto* cds = new dataset::ClientDataSet(&form);
    cds->addField("NRAMOSTRA", FieldType::String, 10);
    cds->createDataSet();
    for (const char* n : {"0000000001", "0000000002", "0000000003"}) {
        cds->append();
        cds->fieldByName("NRAMOSTRA")->setAsString(n);
        cds->post();
    }
    cds->first();
    auto* dts = new dataset::DataSource(cds, &form);
    auto* text = new TDBText(&form);
    text->SetDataSource(dts);
    text->SetDataField("NRAMOSTRA");
    auto* nav = new TDBNavigator(&form);
    nav->SetBounds(0, 100, 120, 21);
    nav->SetDataSource(dts);
    EXPECT_EQ(text->text(), "0000000001");
    EXPECT_FALSE(nav->Button(nbPrior)->isEnabled());
    EXPECT_TRUE(nav->Button(nbNext)->isEnabled());
    nav->Button(nbLast)->click();
    EXPECT_EQ(text->text(), "0000000003");
    EXPECT_FALSE(nav->Button(nbNext)->isEnabled());
    EXPECT_TRUE(nav->Button(nbFirst)->isEnabled());
    EXPECT_EQ(nav->focusPolicy(), Qt::NoFocus);
    nav->BtnClick(nbPrior);
    EXPECT_EQ(cds->recNo(), 2);
    cds->close();
    EXPECT_TRUE(text->text().isEmpty());
    EXPECT_FALSE(nav->Button(nbFirst)->isEnabled());
}

} // namespace

namespace {

// Columns of the label's own painting that hold any text pixel.
int lastInkColumn(QLabel* label) {
    const QImage image = label->grab().toImage();
    const QColor background = label->palette().color(label->backgroundRole());
    int last = -1;
    for (int x = 0; x < image.width(); ++x)
        for (int y = 0; y < image.height(); ++y)
            if (qAbs(qGray(image.pixel(x, y)) - qGray(background.rgb())) > 60)
                last = x;
    return last;
}

// The layouts were drawn for a narrow 8-point font: their labels must not run into each other.
TEST(FormFont, LabelsFitTheirLayoutAndElideWhenTheyStillDoNot) {
    TForm form;
    form.resize(300, 100);
    auto* amostra = new TLabel(&form, QStringLiteral("Nº da Amostra"));
    amostra->SetBounds(4, 10, amostra->sizeHint().width(), 13);
    auto* descricao = new TLabel(&form, QStringLiteral("Descrição"));
    descricao->SetBounds(79, 10, descricao->sizeHint().width(), 13);
    form.show();
    EXPECT_EQ(QFontInfo(amostra->font()).family(), "Liberation Sans");
    EXPECT_LT(amostra->geometry().right(), descricao->x());

    // A caption still too long is cut short of the next label on its line.
    amostra->SetCaption(QStringLiteral("Número da Amostra de Processamento"));
    ASSERT_GT(amostra->geometry().right(), descricao->x());
    const int last = lastInkColumn(amostra);
    EXPECT_GT(last, 0);
    EXPECT_LT(amostra->x() + last, descricao->x());
    // A label alone on its line keeps its whole caption.
    descricao->move(79, 40);
    EXPECT_GT(amostra->x() + lastInkColumn(amostra), 79);
}

// Labels, panels and the grid's canvas keep their texts laid out between paintings and write
// them as Qt writes them: aligned left, right and centred, wider than their box, a caption
// elided short of its neighbour; a text's width is measured in its own font.
TEST(KeptText, WrittenAsQtWritesIt) {
    TForm form;
    form.resize(320, 100);
    const QString caption = QStringLiteral("Quantidade líquida");
    for (TAlignment a :
         {TAlignment::taLeftJustify, TAlignment::taRightJustify, TAlignment::taCenter}) {
        auto* label = new TLabel(&form, caption);
        label->SetAutoSize(false);
        label->SetBounds(10, 10, 150, 17);
        label->SetAlignment(a);
        QLabel byQt(caption, &form);
        byQt.setGeometry(label->geometry().translated(0, 60)); // on a line of its own
        byQt.setAlignment(label->alignment());
        const QImage painted = label->grab().toImage();
        EXPECT_EQ(differing(painted, byQt.grab().toImage()), 0) << int(a);
        QImage ground = painted;
        ground.fill(painted.pixel(0, 0));
        EXPECT_GT(differing(painted, ground), 20); // something was written
        delete label;
    }
    auto* longer = new TLabel(&form, QStringLiteral("Número da Amostra de Processamento"));
    longer->SetBounds(10, 40, longer->width(), 17);
    auto* next = new TLabel(&form, QStringLiteral("Descrição"));
    next->SetBounds(110, 40, next->width(), 17);
    form.show();
    QLabel elided(longer->fontMetrics().elidedText(longer->Caption(), Qt::ElideRight, 97), &form);
    elided.setGeometry(longer->geometry().translated(0, 30));
    EXPECT_EQ(differing(longer->grab().toImage(), elided.grab().toImage()), 0);

    const QString wide = QStringLiteral("Um texto mais largo que a caixa onde é escrito");
    for (Qt::Alignment flags : {Qt::Alignment(Qt::AlignCenter), Qt::AlignRight | Qt::AlignVCenter,
                                Qt::AlignLeft | Qt::AlignBottom, Qt::AlignHCenter | Qt::AlignTop})
        for (const QString& text : {caption, wide}) {
            QImage kept(200, 40, QImage::Format_ARGB32_Premultiplied);
            kept.fill(Qt::white);
            QImage byQt = kept;
            QPainter onKept(&kept);
            paintText(&onKept, QRect(10, 5, 150, 24), int(flags), text);
            QPainter(&byQt).drawText(QRect(10, 5, 150, 24), int(flags), text);
            onKept.end();
            EXPECT_EQ(differing(kept, byQt), 0) << int(flags) << text.toStdString();
        }

    QImage kept(200, 40, QImage::Format_ARGB32_Premultiplied);
    kept.fill(Qt::white);
    QImage byQt = kept;
    QPainter onKept(&kept);
    QPainter onQt(&byQt);
    TCanvas canvas(&onKept);
    canvas.FontColor = Qt::darkBlue;
    onQt.setPen(Qt::darkBlue);
    for (bool bold : {false, true}) {
        QFont font = form.font();
        font.setBold(bold);
        onKept.setFont(font);
        onQt.setFont(font);
        EXPECT_EQ(canvas.TextWidth(caption), onQt.fontMetrics().horizontalAdvance(caption));
        canvas.TextOut(4, bold ? 20 : 2, caption);
        onQt.drawText(QPoint(4, (bold ? 20 : 2) + onQt.fontMetrics().ascent()), caption);
    }
    onKept.end();
    onQt.end();
    EXPECT_EQ(differing(kept, byQt), 0);
}

// The kept looks of scroll bars give the pixels Qt's own scroll bar of the same state paints
// over the same ground, the first time (drawn into the cache) and after (copied); over a ground
// of two colours nothing is kept.
TEST(KeptLooks, ScrollBarsLookAsQtPaintsThem) {
    TForm form;
    form.resize(300, 200);
    ControlImageCache& kept = ControlImageCache::instance();
    kept.clear();
    const auto onGround = [](QWidget& widget) {
        QImage image(widget.size() + QSize(6, 6), QImage::Format_ARGB32_Premultiplied);
        image.fill(QColor(0xd4, 0xd0, 0xc8)); // a panel's grey
        QPainter painter(&image);
        widget.render(&painter, QPoint(3, 3), QRegion(), QWidget::DrawChildren);
        return image;
    };
    const auto compare = [&](QWidget& cached, QWidget& byQt, const char* what) {
        const int drawings = kept.drawings();
        const QImage drawn = onGround(cached);
        EXPECT_EQ(kept.drawings(), drawings + 1) << what << ": drawn into the cache";
        const QImage copied = onGround(cached);
        EXPECT_EQ(kept.drawings(), drawings + 1) << what << ": copied";
        const QImage qt = onGround(byQt);
        EXPECT_EQ(differing(drawn, qt), 0) << what;
        EXPECT_EQ(differing(copied, qt), 0) << what << ", copied";
        QImage ground = qt;
        ground.fill(qt.pixel(0, 0));
        EXPECT_GT(differing(qt, ground), 20) << what << ": something was painted";
    };

    CachedScrollBar bar(Qt::Vertical, &form);
    QScrollBar qtBar(Qt::Vertical, &form);
    for (QScrollBar* b : {static_cast<QScrollBar*>(&bar), &qtBar}) {
        b->resize(16, 150);
        b->setRange(0, 90);
        b->setPageStep(10);
    }
    for (int value : {0, 45, 90}) {
        bar.setValue(value);
        qtBar.setValue(value);
        compare(bar, qtBar, "scroll bar");
    }
    // In a long list, values that put the slider on the same pixels are one look.
    for (QScrollBar* b : {static_cast<QScrollBar*>(&bar), &qtBar}) {
        b->setRange(0, 9000);
        b->setValue(3000);
    }
    compare(bar, qtBar, "long scroll bar");
    bar.setValue(3001);
    qtBar.setValue(3001);
    const int drawings = kept.drawings();
    EXPECT_EQ(differing(onGround(bar), onGround(qtBar)), 0);
    EXPECT_EQ(kept.drawings(), drawings);
    bar.setEnabled(false);
    qtBar.setEnabled(false);
    compare(bar, qtBar, "disabled scroll bar");

    // The application's style keeps the frames of line edits, group boxes and page controls:
    // the same pixels as the style it wraps, drawn and copied, whole or in a strip.
    auto* fusion = QStyleFactory::create(QStringLiteral("fusion"));
    KeptLooksStyle keptStyle(QStyleFactory::create(QStringLiteral("fusion")));
    QLineEdit edit(QStringLiteral("0000000479"), &form), qtEdit(edit.text(), &form);
    QGroupBox box(QStringLiteral("Produtos"), &form), qtBox(box.title(), &form);
    QTabWidget pages(&form), qtPages(&form);
    for (QTabWidget* p : {&pages, &qtPages}) {
        p->addTab(new QWidget, QStringLiteral("Lista"));
        p->addTab(new QWidget, QStringLiteral("Formulário"));
        p->setCurrentIndex(1);
    }
    const QList<QPair<QWidget*, QWidget*>> framed{
        {&edit, &qtEdit}, {&box, &qtBox}, {&pages, &qtPages}};
    for (const auto& [ours, theirs] : framed) {
        ours->setStyle(&keptStyle);
        theirs->setStyle(fusion);
        ours->resize(180, ours == &edit ? 21 : 90);
        theirs->resize(ours->size());
        compare(*ours, *theirs, ours->metaObject()->className());
    }
    const auto strip = [](QWidget& widget) { // a repaint of a strip across the top
        QImage image(widget.size(), QImage::Format_ARGB32_Premultiplied);
        image.fill(QColor(0xd4, 0xd0, 0xc8));
        QPainter painter(&image);
        widget.render(&painter, QPoint(), QRegion(0, 0, widget.width(), 14), QWidget::DrawChildren);
        return image;
    };
    EXPECT_EQ(differing(strip(box), strip(qtBox)), 0);
    edit.setEnabled(false);
    qtEdit.setEnabled(false);
    compare(edit, qtEdit, "disabled line edit");

    // Over a ground of two colours the look is drawn, not kept.
    const auto twoColours = [](QWidget& widget) {
        QImage image(widget.size(), QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::white);
        QPainter painter(&image);
        painter.fillRect(0, 0, 1, 1, Qt::black);
        widget.render(&painter, QPoint(), QRegion(), QWidget::DrawChildren);
        return image;
    };
    bar.setEnabled(true);
    qtBar.setEnabled(true);
    const int before = kept.drawings();
    EXPECT_EQ(differing(twoColours(bar), twoColours(qtBar)), 0);
    EXPECT_EQ(kept.drawings(), before);
}

// An edit without the focus shows the start of a text longer than it, as the classic edits do.
TEST(EditText, ALongTextShowsItsStartWithoutTheFocus) {
    TForm form;
    auto* edt = new TEdit(&form);
    edt->SetBounds(10, 10, 60, 21);
    auto* other = new TEdit(&form);
    other->SetBounds(10, 40, 60, 21);
    form.show();
    other->SetFocus();
    edt->SetText(QStringLiteral("Armazéns Gerais Santa Helena EPP"));
    EXPECT_EQ(edt->cursorPosition(), 0);
}

// Qt's own menus that a clerk opens (an edit's right click, a child window's system menu) speak
// Portuguese, as the suite installs it.
TEST(TextosQt, TheEditsAndTheChildWindowsMenusInPortuguese) {
    InstalaTextosQt();
    QStringList textos;
    QLineEdit edit;
    edit.setText(QStringLiteral("Milho"));
    edit.selectAll();
    std::unique_ptr<QMenu> menu(edit.createStandardContextMenu());
    for (QAction* a : menu->actions())
        if (!a->isSeparator())
            textos << a->text().section(QLatin1Char('\t'), 0, 0);
    QMdiSubWindow janela;
    for (QAction* a : janela.systemMenu()->actions())
        if (!a->isSeparator())
            textos << a->text().section(QLatin1Char('\t'), 0, 0);
    for (const char* esperado :
         {"&Desfazer", "&Refazer", "Recor&tar", "&Copiar", "C&olar", "Excluir", "Selecionar tudo",
          "&Restaurar", "&Mover", "Mi&nimizar", "Ma&ximizar", "&Fechar"})
        EXPECT_TRUE(textos.contains(QString::fromUtf8(esperado)))
            << esperado << " in " << textos.join(", ").toStdString();
}

} // namespace
