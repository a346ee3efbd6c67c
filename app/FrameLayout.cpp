// TForm1: controls, menus, placement, caption, and the settings read when the
// window is first shown and written when it closes.
#include "app/Frame.h"

#include "app/FrameHistogram.h"
#include "app/FrameSettings.h"
#include "app/HandlerScope.h"
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

#include <array>
#include <optional>

namespace pictor {
namespace {

constexpr int kPanelWidth = 177;
constexpr int kPanel2Height = 96;
// The view's place inside the scroll box.
constexpr int kViewMargin = 8;

const char* const kHeaderLine = "Pictor.exe 環境設定ファイル --- このファイルは、編集しないで下さい。";

// The main window's size in the form description.
constexpr int kFormWidth = 604;
constexpr int kFormHeight = 438;

using TPlacementField = int ui::TWindowPlacement::*;

// One key of the settings file: whose value it holds (a window's placement
// value, or a folder) and what it falls back to when it cannot be read: a
// window's key the form description's value, or with none the window's own
// (the main window's position, which the platform chooses); a folder key the
// empty folder.
struct TSettingsKey {
    const char* Name;
    TSettingOwner Owner;
    TPlacementField Field = nullptr;
    std::optional<int> Fallback;
};

// The twelve keys, in the order the file keeps them.
const std::array<TSettingsKey, 12> kSettingsKeys{{
    {"Left", TSettingOwner::MainWindow, &ui::TWindowPlacement::Left, std::nullopt},
    {"Top", TSettingOwner::MainWindow, &ui::TWindowPlacement::Top, std::nullopt},
    {"Width", TSettingOwner::MainWindow, &ui::TWindowPlacement::Width, kFormWidth},
    {"Height", TSettingOwner::MainWindow, &ui::TWindowPlacement::Height, kFormHeight},
    {"WindowState", TSettingOwner::MainWindow, &ui::TWindowPlacement::WindowState, ui::wsNormal},
    {"OpenDir", TSettingOwner::OpenDir, nullptr, std::nullopt},
    {"SaveDir", TSettingOwner::SaveDir, nullptr, std::nullopt},
    {"HLeft", TSettingOwner::HistogramWindow, &ui::TWindowPlacement::Left, kHistogramFormPlacement.Left},
    {"HTop", TSettingOwner::HistogramWindow, &ui::TWindowPlacement::Top, kHistogramFormPlacement.Top},
    {"HWidth", TSettingOwner::HistogramWindow, &ui::TWindowPlacement::Width, kHistogramFormPlacement.Width},
    {"HHeight", TSettingOwner::HistogramWindow, &ui::TWindowPlacement::Height, kHistogramFormPlacement.Height},
    {"HWindowState", TSettingOwner::HistogramWindow, &ui::TWindowPlacement::WindowState,
     kHistogramFormPlacement.WindowState},
}};

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
    resize(kFormWidth - kFrameWidth, kFormHeight - kFrameHeight);

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
    FScrollContent = new QWidget;
    KestrelImage1View = new ui::TImageView(KestrelImage1, FScrollContent);
    KestrelImage1View->move(kViewMargin, kViewMargin);
    ScrollBox1->setWidget(FScrollContent);
    // Ctrl + wheel over the picture moves the scale slider.
    ScrollBox1->viewport()->installEventFilter(this);
    connect(KestrelImage1View, &ui::TImageView::sizeChanged, this, [this] { SizeScrollContent(); });

    KestrelImage1.SetStretch(true);
    KestrelImage1.SetPictureType(picNil);
    KestrelImage1.OnAmend = [this](TKestrelImage& s, const std::string& k) { KestrelImage1Amend(s, k); };
    KestrelImage1.OnAmended = [this](TKestrelImage& s, const std::string& k) { KestrelImage1Amended(s, k); };
    KestrelImage1View->OnMouseDown = [this](ui::TMouseButton b, ui::TShiftState s, int x, int y) {
        if (FHandlerDepth > 0) return KestrelImage1MouseDown(b, s, x, y);
        RunOutermost([&] { KestrelImage1MouseDown(b, s, x, y); });
    };
    SizeScrollContent();

    CreatePanel();
    CreateMenus();

    OpenDialog1 = std::make_unique<ui::TQtFileDialog>(ui::TFileDialogKind::Open, this);
    SaveDialog1 = std::make_unique<ui::TQtFileDialog>(ui::TFileDialogKind::Save, this);
    FHistogramHost = std::make_unique<TForm1HistogramHost>(*this);
    FToneSteps = std::make_unique<TStepCoalescer>(
        [this] {
            if (FHandlerDepth > 0) return false;
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
    N9 = N3->addSeparator();
    Quality2561 = AddItem(N3, "高画質で 256色へ減色", &TForm1::Quality2561Click);
    Quality2562 = AddItem(N3, "高画質 + 誤差拡散で 256色へ減色", &TForm1::Quality2562Click);

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
    if (FHandlerDepth > 0) {
        // Nested: run directly; a failure goes back to the handler that set
        // the slider (SetPosition rethrows it there).
        try {
            (this->*Handler)();
        } catch (...) {
            if (!FNestedFailure) FNestedFailure = std::current_exception();
        }
        return;
    }
    // Tone work a drag left waiting comes before any other command.
    const bool toneStep =
        Handler == &TForm1::TrackBar2Change || Handler == &TForm1::TrackBar3Change || Handler == &TForm1::TrackBar4Change;
    if (FToneSteps && !toneStep) FToneSteps->Flush();
    RunOutermost([&] { (this->*Handler)(); });
}

void TForm1::RunOutermost(const std::function<void()>& Handler)
{
    const THandlerScope scope(FHandlerDepth);
    ui::Guarded(Handler);
    FNestedFailure = nullptr;
}

void TForm1::SetPosition(QSlider* TrackBar, int Position)
{
    {
        // The change handler runs nested, also when code outside every
        // handler moves the slider.
        const THandlerScope scope(FHandlerDepth);
        TrackBar->setValue(Position);
    }
    if (FNestedFailure) std::rethrow_exception(std::exchange(FNestedFailure, nullptr));
}

void TForm1::SetHistogramWindow(TForm2* Form)
{
    Form2 = Form;
}

// --- start and close ----------------------------------------------------------------

void TForm1::LoadSettingsAtStart()
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
    FOpenDir.clear();
    FSaveDir.clear();
    WriteSettings(false);
}

TSettings TForm1::CurrentSettings() const
{
    return TSettings{Placement(), FOpenDir, FSaveDir, FHistogramHost->Placement()};
}

void TForm1::WriteSettings(bool KeepMaximisedPlacement)
{
    TSettings settings = CurrentSettings();
    for (const TSettingsKey& key : kSettingsKeys) {
        if (key.Field == nullptr) {
            Parameter1.WriteString(key.Name, settings.FolderOf(key.Owner));
            continue;
        }
        const ui::TWindowPlacement& placement = settings.PlacementOf(key.Owner);
        // A maximised window keeps the normal placement last stored.
        if (KeepMaximisedPlacement && placement.WindowState == ui::wsMaximized &&
            key.Field != &ui::TWindowPlacement::WindowState)
            continue;
        Parameter1.WriteInteger(key.Name, placement.*key.Field);
    }
}

void TForm1::ReadSettings()
{
    // Each key that cannot be read keeps its fallback; the first failure is
    // shown once, after all keys were tried.
    std::string failure;
    TSettings settings = CurrentSettings();
    for (const TSettingsKey& key : kSettingsKeys) {
        try {
            if (key.Field == nullptr)
                settings.FolderOf(key.Owner) = Parameter1.ReadString(key.Name);
            else
                settings.PlacementOf(key.Owner).*key.Field = Parameter1.ReadInteger(key.Name);
        } catch (const std::exception& e) {
            if (failure.empty()) failure = e.what();
            if (key.Field == nullptr)
                settings.FolderOf(key.Owner).clear();
            else if (key.Fallback)
                settings.PlacementOf(key.Owner).*key.Field = *key.Fallback;
        }
    }
    SetPlacement(settings.Main);
    FOpenDir = settings.OpenDir;
    FSaveDir = settings.SaveDir;
    FHistogramHost->SetPlacement(settings.Histogram);
    if (!failure.empty()) ui::ShowErrorMessage(failure);
}

void TForm1::StoreSettingsAtClose(bool& CanClose)
{
    CanClose = true;
    WriteSettings(true);
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
    if (FShown) return;
    FShown = true;
    Dispatch(&TForm1::FormShow);
    // Every command needs the base picture, whatever the settings said.
    if (!FBaseBitmap) FBaseBitmap = std::make_unique<TBitmap>();
}

void TForm1::closeEvent(QCloseEvent* Event)
{
    bool canClose = true;
    if (FShown) RunOutermost([&] { FormCloseQuery(canClose); });
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

void TForm1::ArrangePanel()
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
    FScrollContent->resize(std::max(KestrelImage1.Width(), 0) + 2 * kViewMargin,
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
    RunOutermost([&] {
        HideTrimAreaIfShown();
        LoadPicture(file);
    });
}

} // namespace pictor
