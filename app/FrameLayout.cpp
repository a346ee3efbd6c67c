// TForm1: controls, menus, placement, caption, and the settings read when the
// window is first shown and written when it closes.
#include "app/Frame.h"

#include "app/FrameHistogram.h"
#include "app/StepCoalescer.h"
#include "core/Exception.h"
#include "histogram/Histgram.h"
#include "ui/ExceptionGuard.h"
#include "ui/UiFont.h"

#include <QClipboard>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFontMetrics>
#include <QFrame>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenuBar>
#include <QMimeData>
#include <QPushButton>
#include <QScrollArea>
#include <QSlider>
#include <QUrl>
#include <QWheelEvent>
#include <QWindow>

namespace pictor {
namespace {

constexpr int kPanelWidth = 177;
constexpr int kPanel2Height = 96;
// The view's place inside the scroll box.
constexpr int kViewMargin = 8;

const char* const kHeaderLine = "Pictor.exe 環境設定ファイル --- このファイルは、編集しないで下さい。";

QString Q(const char* text) { return QString::fromUtf8(text); }

QLabel* MakeLabel(QWidget* parent, int x, int y, int w, int h, const char* text, int fontPixels = 12)
{
    auto* label = new QLabel(Q(text), parent);
    QFont font = ui::UiFont(fontPixels);
    // The scale marks are spaced with blanks for the form description's
    // font; in another font the letters are moved closer or apart so that
    // the marks keep their width and stay under the ticks.
    const QString caption = label->text();
    if (caption.contains(QStringLiteral("   ")) && caption.size() > 1) {
        const int natural = QFontMetrics(font).horizontalAdvance(caption);
        font.setLetterSpacing(QFont::AbsoluteSpacing, static_cast<qreal>(w - natural) / (caption.size() - 1));
    }
    label->setFont(font);
    // A caption may be wider than the form description's box in this font:
    // let it run on rather than be cut.
    label->setGeometry(x, y, std::max(w, label->sizeHint().width()), std::max(h, label->sizeHint().height()));
    return label;
}

QSlider* MakeTrackBar(QWidget* parent, int x, int y, int min, int max, int position, int line, int page, int tick)
{
    auto* bar = new QSlider(Qt::Horizontal, parent);
    bar->setGeometry(x, y, 161, 33);
    bar->setRange(min, max);
    bar->setValue(position);
    bar->setSingleStep(line);
    bar->setPageStep(page);
    bar->setTickInterval(tick);
    bar->setTickPosition(QSlider::TicksBelow);
    return bar;
}

QPushButton* MakeButton(QWidget* parent, int x, int y, const char* hint)
{
    auto* button = new QPushButton(QStringLiteral("OK"), parent);
    button->setGeometry(x, y, 41, 17);
    button->setToolTip(Q(hint));
    return button;
}

} // namespace

TForm1::TForm1()
{
    setWindowTitle(QStringLiteral("Imaging"));
    setFont(ui::UiFont(12));
    setAcceptDrops(true);
    resize(604 - kFrameWidth, 438 - kFrameHeight);

    auto* central = new QWidget(this);
    auto* row = new QHBoxLayout(central);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    setCentralWidget(central);

    Panel1 = new QFrame(central);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFixedWidth(kPanelWidth);
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Panel1->installEventFilter(this);
    row->addWidget(Panel1);

    ScrollBox1 = new QScrollArea(central);
    ScrollBox1->setObjectName(QStringLiteral("ScrollBox1"));
    ScrollBox1->setWidgetResizable(false);
    ScrollBox1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    row->addWidget(ScrollBox1, 1);
    scrollContent_ = new QWidget;
    KestrelImage1View = new ui::ImageView(KestrelImage1, scrollContent_);
    KestrelImage1View->move(kViewMargin, kViewMargin);
    ScrollBox1->setWidget(scrollContent_);
    // Ctrl + wheel over the picture moves the scale slider.
    ScrollBox1->viewport()->installEventFilter(this);
    connect(KestrelImage1View, &ui::ImageView::sizeChanged, this, [this] { SizeScrollContent(); });

    KestrelImage1.SetStretch(true);
    KestrelImage1.SetPictureType(picNil);
    KestrelImage1.OnAmend = [this](TKestrelImage& s, const std::string& k) { KestrelImage1Amend(s, k); };
    KestrelImage1.OnAmended = [this](TKestrelImage& s, const std::string& k) { KestrelImage1Amended(s, k); };
    KestrelImage1View->OnMouseDown = [this](ui::TMouseButton b, ui::TShiftState s, int x, int y) {
        if (handlerDepth_ > 0) return KestrelImage1MouseDown(b, s, x, y);
        ++handlerDepth_;
        ui::Guarded([&] { KestrelImage1MouseDown(b, s, x, y); });
        --handlerDepth_;
    };
    SizeScrollContent();

    CreatePanel();
    CreateMenus();

    OpenDialog1 = std::make_unique<ui::TQtFileDialog>(ui::TFileDialogKind::Open, this);
    SaveDialog1 = std::make_unique<ui::TQtFileDialog>(ui::TFileDialogKind::Save, this);
    histogramHost_ = std::make_unique<TForm1HistogramHost>(*this);
    toneSteps_ = std::make_unique<TStepCoalescer>(
        [this] {
            if (handlerDepth_ > 0) return false;
            Dispatch(&TForm1::ApplyTone);
            return true;
        },
        std::initializer_list<QObject*>{TrackBar2, TrackBar3, TrackBar4});
}

TForm1::~TForm1()
{
    // The view listens to KestrelImage1 until its destructor, so it goes
    // first: QWidget would delete it only after the members are gone.
    delete KestrelImage1View;
    KestrelImage1View = nullptr;
}

void TForm1::CreatePanel()
{
    Panel2 = new QFrame(Panel1);
    Panel2->setObjectName(QStringLiteral("Panel2"));
    Panel2->setFrameStyle(QFrame::Panel | QFrame::Raised);
    Panel2->setGeometry(0, 0, kPanelWidth, kPanel2Height);

    Label3 = MakeLabel(Panel1, 16, 8, 79, 12, "明るさ ( 100 % )");
    TrackBar2 = MakeTrackBar(Panel1, 8, 24, 40, 160, 100, 2, 10, 10);
    Label4 = MakeLabel(Panel1, 16, 56, 153, 11, "40                  100                 160", 11);
    Label5 = MakeLabel(Panel1, 16, 96, 105, 12, "コントラスト ( 100 % )");
    TrackBar3 = MakeTrackBar(Panel1, 8, 112, 40, 160, 100, 2, 10, 10);
    Label6 = MakeLabel(Panel1, 16, 144, 153, 11, "40                  100                 160", 11);
    Label7 = MakeLabel(Panel1, 16, 184, 84, 12, "ガンマ値 ( 1.00 )");
    TrackBar4 = MakeTrackBar(Panel1, 8, 200, -30, 30, 0, 1, 5, 5);
    Label8 = MakeLabel(Panel1, 16, 232, 153, 11, "0.32               1.00                3.16", 11);
    Button2 = MakeButton(Panel1, 120, 264, "現在の設定を基準にします。");

    Label2 = MakeLabel(Panel2, 16, 8, 96, 12, "表示倍率 ( 100 % )");
    TrackBar1 = MakeTrackBar(Panel2, 8, 24, 0, 200, 100, 10, 20, 10);
    Label1 = MakeLabel(Panel2, 16, 56, 153, 11, "0                    100                 200", 11);
    Button1 = MakeButton(Panel2, 120, 72, "現在の大きさを基準( 100 % )にします。");

    // The scale marks are secondary text.
    for (QLabel* marks : {Label1, Label4, Label6, Label8}) marks->setStyleSheet(QStringLiteral("color: #404040"));

    connect(TrackBar1, &QSlider::valueChanged, this, [this] { Dispatch(&TForm1::TrackBar1Change); });
    connect(TrackBar2, &QSlider::valueChanged, this, [this] { Dispatch(&TForm1::TrackBar2Change); });
    connect(TrackBar3, &QSlider::valueChanged, this, [this] { Dispatch(&TForm1::TrackBar3Change); });
    connect(TrackBar4, &QSlider::valueChanged, this, [this] { Dispatch(&TForm1::TrackBar4Change); });
    connect(Button1, &QPushButton::clicked, this, [this] { Dispatch(&TForm1::Button1Click); });
    connect(Button2, &QPushButton::clicked, this, [this] { Dispatch(&TForm1::Button2Click); });
}

QAction* TForm1::AddItem(QMenu* Menu, const char* Caption, void (TForm1::*Handler)(), bool Checkable)
{
    QAction* item = Menu->addAction(Q(Caption));
    if (Checkable) {
        // The check mark follows the window's state, not the click: undo
        // Qt's toggle before the handler runs.
        item->setCheckable(true);
        connect(item, &QAction::triggered, this, [item](bool checked) { item->setChecked(!checked); });
    }
    connect(item, &QAction::triggered, this, [this, Handler] { Dispatch(Handler); });
    return item;
}

void TForm1::CreateMenus()
{
    MainMenu1 = menuBar();
    MainMenu1->setFont(ui::UiFont(12));
    File1 = MainMenu1->addMenu(Q("ファイル(&F)"));
    Open1 = AddItem(File1, "開く(&O)...", &TForm1::Open1Click);
    Save1 = AddItem(File1, "保存(&S)...", &TForm1::Save1Click);
    N1 = File1->addSeparator();
    Exit1 = AddItem(File1, "終了(&X)", &TForm1::Exit1Click);

    Edit1 = MainMenu1->addMenu(Q("編集(&E)"));
    U1 = AddItem(Edit1, "アンドウ(&U)", &TForm1::U1Click);
    O1 = AddItem(Edit1, "もとの画像(&O)", &TForm1::O1Click);
    N6 = Edit1->addSeparator();
    C1 = AddItem(Edit1, "コピー(&C)", &TForm1::C1Click);
    C1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_C));
    P1 = AddItem(Edit1, "貼り付け(&P)", &TForm1::P1Click);
    P1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_V));
    connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, this, [this] { UpdatePasteItem(); });
    UpdatePasteItem();
    N2 = Edit1->addSeparator();
    A1 = AddItem(Edit1, "トリミングエリアの表示(&A)", &TForm1::A1Click, true);
    T1 = AddItem(Edit1, "トリミングの実行(&T)", &TForm1::T1Click);
    T1->setEnabled(false);

    N3 = MainMenu1->addMenu(Q("減色(&D)"));
    Octree2561 = AddItem(N3, "Octree で 256色へ減色", &TForm1::Octree2561Click);
    MedianCut2561 = AddItem(N3, "MedianCut で 256色へ減色", &TForm1::MedianCut2561Click);
    MedianCutByVariance2561 = AddItem(N3, "MedianCut + 分散で 256色へ減色", &TForm1::MedianCutByVariance2561Click);
    MedianCut2562 = AddItem(N3, "MedianCut + 誤差拡散で 256色へ減色", &TForm1::MedianCut2562Click);
    MedianCut2563 = AddItem(N3, "MedianCut + 分散 + 誤差拡散で 256色へ減色", &TForm1::MedianCut2563Click);
    N4 = AddItem(N3, "固定パレット + 誤差拡散で 256色へ減色", &TForm1::N4Click);
    PixelFormat2561 = AddItem(N3, "PixelFormat で 256色へ減色", &TForm1::PixelFormat2561Click);

    N5 = MainMenu1->addMenu(Q("回転(&T)"));
    N901 = AddItem(N5, "90°回転(&Q)", &TForm1::N901Click);
    N1801 = AddItem(N5, "180°回転(&H)", &TForm1::N1801Click);
    N2701 = AddItem(N5, "270°回転(&T)", &TForm1::N2701Click);
    N8 = N5->addSeparator();
    R1 = AddItem(N5, "反転(&R)", &TForm1::R1Click);

    O2 = MainMenu1->addMenu(Q("オプション(&O)"));
    H1 = AddItem(O2, "ヒストグラム(&H)", &TForm1::H1Click, true);
}

void TForm1::Dispatch(void (TForm1::*Handler)())
{
    if (handlerDepth_ > 0) {
        // Nested: run directly; a failure goes back to the handler that set
        // the slider (SetPosition rethrows it there).
        try {
            (this->*Handler)();
        } catch (...) {
            if (!nestedFailure_) nestedFailure_ = std::current_exception();
        }
        return;
    }
    // Tone work a drag left waiting comes before any other command.
    const bool toneStep =
        Handler == &TForm1::TrackBar2Change || Handler == &TForm1::TrackBar3Change || Handler == &TForm1::TrackBar4Change;
    if (toneSteps_ && !toneStep) toneSteps_->Flush();
    ++handlerDepth_;
    ui::Guarded([&] { (this->*Handler)(); });
    nestedFailure_ = nullptr;
    --handlerDepth_;
}

void TForm1::SetPosition(QSlider* TrackBar, int Position)
{
    const bool outermost = handlerDepth_ == 0;
    if (outermost) ++handlerDepth_;
    TrackBar->setValue(Position);
    if (outermost) --handlerDepth_;
    if (nestedFailure_) std::rethrow_exception(std::exchange(nestedFailure_, nullptr));
}

void TForm1::SetHistogramWindow(TForm2* Form)
{
    Form2 = Form;
}

// --- start and close ----------------------------------------------------------------

void TForm1::FormShow()
{
    // The base picture and the trimming rectangle exist before any setting
    // is read, so that a damaged settings file leaves every command usable.
    FBaseBitmap = std::make_unique<TBitmap>();
    FTrimRect = TRect{10, 10, 100, 100};
    FPictureFileName.clear();
    FFileSizeText.clear();
    FSizeText.clear();
    FColorText.clear();

    Parameter1.Load();
    if (Parameter1.Count() <= 0)
        WriteFirstRunSettings();
    else
        ReadSettings();
}

void TForm1::WriteFirstRunSettings()
{
    Parameter1.Add(kHeaderLine);
    Parameter1.WriteInteger("Left", Left());
    Parameter1.WriteInteger("Top", Top());
    Parameter1.WriteInteger("Width", Width());
    Parameter1.WriteInteger("Height", Height());
    Parameter1.WriteInteger("WindowState", WindowState());
    FOpenDir.clear();
    Parameter1.WriteString("OpenDir", FOpenDir);
    FSaveDir.clear();
    Parameter1.WriteString("SaveDir", FSaveDir);
    const THistogramPlacement h = histogramHost_->Placement();
    Parameter1.WriteInteger("HLeft", h.Left);
    Parameter1.WriteInteger("HTop", h.Top);
    Parameter1.WriteInteger("HWidth", h.Width);
    Parameter1.WriteInteger("HHeight", h.Height);
    Parameter1.WriteInteger("HWindowState", h.WindowState);
}

void TForm1::ReadSettings()
{
    // Each key that cannot be read keeps the form description's value; the
    // first failure is shown once, after all keys were tried.
    std::string failure;
    auto readInteger = [&](const char* name, int fallback) {
        try {
            return Parameter1.ReadInteger(name);
        } catch (const std::exception& e) {
            if (failure.empty()) failure = e.what();
            return fallback;
        }
    };
    auto readString = [&](const char* name) {
        try {
            return Parameter1.ReadString(name);
        } catch (const std::exception& e) {
            if (failure.empty()) failure = e.what();
            return std::string();
        }
    };
    SetLeft(readInteger("Left", Left()));
    SetTop(readInteger("Top", Top()));
    SetWidth(readInteger("Width", 604));
    SetHeight(readInteger("Height", 438));
    SetWindowState(readInteger("WindowState", 0));
    FOpenDir = readString("OpenDir");
    FSaveDir = readString("SaveDir");
    THistogramPlacement h = THistogramPlacement::FormDescription();
    h.Left = readInteger("HLeft", h.Left);
    h.Top = readInteger("HTop", h.Top);
    h.Width = readInteger("HWidth", h.Width);
    h.Height = readInteger("HHeight", h.Height);
    h.WindowState = readInteger("HWindowState", h.WindowState);
    histogramHost_->SetPlacement(h);
    if (!failure.empty()) ui::ShowErrorMessage(failure);
}

void TForm1::FormCloseQuery(bool& CanClose)
{
    CanClose = true;
    if (WindowState() != 2) {
        Parameter1.WriteInteger("Left", Left());
        Parameter1.WriteInteger("Top", Top());
        Parameter1.WriteInteger("Width", Width());
        Parameter1.WriteInteger("Height", Height());
    }
    Parameter1.WriteInteger("WindowState", WindowState());
    Parameter1.WriteString("OpenDir", FOpenDir);
    Parameter1.WriteString("SaveDir", FSaveDir);
    const THistogramPlacement h = histogramHost_->Placement();
    if (h.WindowState != 2) {
        Parameter1.WriteInteger("HLeft", h.Left);
        Parameter1.WriteInteger("HTop", h.Top);
        Parameter1.WriteInteger("HWidth", h.Width);
        Parameter1.WriteInteger("HHeight", h.Height);
    }
    Parameter1.WriteInteger("HWindowState", h.WindowState);
    // A settings file that cannot be written is reported, but never keeps
    // the user from quitting: only the placement and folders are lost.
    try {
        Parameter1.Save();
    } catch (...) {
        ui::ShowErrorMessage(ui::CurrentExceptionMessage());
    }
    FBaseBitmap.reset();
}

void TForm1::showEvent(QShowEvent* Event)
{
    QMainWindow::showEvent(Event);
    if (shown_) return;
    shown_ = true;
    Dispatch(&TForm1::FormShow);
    // Every command needs the base picture, whatever the settings said.
    if (!FBaseBitmap) FBaseBitmap = std::make_unique<TBitmap>();
}

void TForm1::closeEvent(QCloseEvent* Event)
{
    bool canClose = true;
    if (shown_) {
        ++handlerDepth_;
        ui::Guarded([&] { FormCloseQuery(canClose); });
        --handlerDepth_;
    }
    if (!canClose) {
        Event->ignore();
        return;
    }
    Event->accept();
    // The histogram window goes with the main window; its own close handler
    // does not run (its placement was stored above).
    if (Form2) Form2->hide();
}

// --- caption and panel -----------------------------------------------------------

void TForm1::UpdateCaption()
{
    if (!KestrelImage1.Picture().Graphic()) {
        FClipboardPicture = false;
        FPictureFileName.clear();
        FFileSizeText.clear();
        FSizeText.clear();
        FColorText.clear();
        setWindowTitle(QStringLiteral("Imaging"));
        return;
    }
    FSizeText = "  ( " + std::to_string(KestrelImage1.Width()) + " × " + std::to_string(KestrelImage1.Height()) + " )";
    FColorText = "  -  " + std::to_string(FBaseBitmap ? FBaseBitmap->BitsPerPixel() : 0) + " bit Color";
    const std::string name = FClipboardPicture ? "(クリップボード)" : FPictureFileName;
    setWindowTitle(QString::fromStdString(name + FFileSizeText + FSizeText + FColorText));
}

std::string TForm1::Caption() const
{
    return windowTitle().toStdString();
}

void TForm1::Panel1Resize()
{
    Panel2->setGeometry(0, Panel1->height() - kPanel2Height, kPanelWidth, kPanel2Height);
    Button2->move(Button2->x(), Panel1->height() - Panel2->height() - Button2->height() - 8);
}

bool TForm1::eventFilter(QObject* Watched, QEvent* Event)
{
    if (Watched == Panel1 && Event->type() == QEvent::Resize) Dispatch(&TForm1::Panel1Resize);
    if (Watched == ScrollBox1->viewport() && Event->type() == QEvent::Wheel &&
        ScaleByWheel(*static_cast<QWheelEvent*>(Event)))
        return true;
    return QMainWindow::eventFilter(Watched, Event);
}

void TForm1::SizeScrollContent()
{
    scrollContent_->resize(std::max(KestrelImage1.Width(), 0) + 2 * kViewMargin,
                           std::max(KestrelImage1.Height(), 0) + 2 * kViewMargin);
}

// --- dropping a file on the window --------------------------------------------------

void TForm1::dragEnterEvent(QDragEnterEvent* Event)
{
    const QList<QUrl> urls = Event->mimeData()->urls();
    if (urls.size() == 1 && urls.first().isLocalFile()) Event->acceptProposedAction();
}

void TForm1::dropEvent(QDropEvent* Event)
{
    const QList<QUrl> urls = Event->mimeData()->urls();
    if (urls.size() != 1 || !urls.first().isLocalFile()) return;
    const std::string file = urls.first().toLocalFile().toStdString();
    Event->acceptProposedAction();
    ++handlerDepth_;
    ui::Guarded([&] {
        HideTrimAreaIfShown();
        LoadPicture(file);
    });
    nestedFailure_ = nullptr;
    --handlerDepth_;
}

} // namespace pictor
