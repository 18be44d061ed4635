#include "viewer/FormMovie.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QScreen>
#include <QShortcut>
#include <QSignalBlocker>
#include <QStyle>

#include "base/Errors.h"
#include "playback/EnginePlayer.h"
#include "viewer/ViewerLayout.h"
#include "widgets/WidgetMaking.h"

namespace tandemix {
namespace {

struct ButtonLook {
  PlayerButton button;
  QStyle::StandardPixmap icon;
  const char* name;
};

constexpr ButtonLook kButtons[kPlayerButtonCount] = {
    {PlayerButton::Play, QStyle::SP_MediaPlay, "Play"},
    {PlayerButton::Pause, QStyle::SP_MediaPause, "Pause"},
    {PlayerButton::Stop, QStyle::SP_MediaStop, "Stop"},
    {PlayerButton::Next, QStyle::SP_MediaSkipForward, "Next"},
    {PlayerButton::Prev, QStyle::SP_MediaSkipBackward, "Prev"},
    {PlayerButton::Step, QStyle::SP_MediaSeekForward, "Step"},
    {PlayerButton::Back, QStyle::SP_MediaSeekBackward, "Back"},
};

}  // namespace

TForm_Movie::TForm_Movie(ViewerState& state, MovieWindowHooks hooks, MediaPlayer* player, QWidget* parent)
    : QWidget(parent, Qt::Window), state_(state), hooks_(std::move(hooks)) {
  setObjectName("Form_Movie");
  setWindowTitle("Clip");
  resize(431, 352);

  Panel1 = new VideoPanel(this);
  Panel1->setObjectName("Panel1");
  if (player) {
    player_ = player;
  } else {
    ownPlayer_ = std::make_unique<EnginePlayer>(
        [panel = Panel1](FramePtr frame, int index) { panel->Deliver(std::move(frame), index); });
    player_ = ownPlayer_.get();
  }
  model_ = std::make_unique<ViewerModel>(state_, *player_);

  MediaPlayer1 = new QWidget(this);
  MediaPlayer1->setObjectName("MediaPlayer1");
  MediaPlayer1->setToolTip("Movie controls (play, pause, step forward, back...)");
  auto* bar = new QHBoxLayout(MediaPlayer1);
  bar->setContentsMargins(0, 0, 0, 0);
  bar->setSpacing(1);
  for (int i = 0; i < kPlayerButtonCount; ++i) {
    auto* b = new QToolButton(MediaPlayer1);
    b->setObjectName(kButtons[i].name);
    b->setIcon(style()->standardIcon(kButtons[i].icon));
    b->setToolTip(kButtons[i].name);
    b->setFixedSize(24, 24);
    bar->addWidget(b);
    PlayerButtons[i] = b;
    const PlayerButton which = kButtons[i].button;
    connect(b, &QToolButton::clicked, this, [this, which] { MediaPlayer1Click(which); });
  }
  Button_Mute = new QToolButton(this);
  Button_Mute->setObjectName("Button_Mute");
  Button_Mute->setCheckable(true);
  connect(Button_Mute, &QToolButton::clicked, this, &TForm_Movie::Button_MuteClick);
  RefreshMute();

  TrackBar_Movie = new QSlider(Qt::Horizontal, this);
  TrackBar_Movie->setObjectName("TrackBar_Movie");
  TrackBar_Movie->setRange(0, 1000);
  TrackBar_Movie->setTickPosition(QSlider::TicksBelow);
  TrackBar_Movie->setTickInterval(1);
  connect(TrackBar_Movie, &QSlider::valueChanged, this, [this] { TrackBar_MovieChange(); });

  Button1 = new QPushButton("Adjust Clip", this);
  Button1->setObjectName("Button1");
  Button2 = new QPushButton("Save Frame", this);
  Button2->setObjectName("Button2");
  connect(Button1, &QPushButton::clicked, this, &TForm_Movie::Button1Click);
  connect(Button2, &QPushButton::clicked, this, &TForm_Movie::Button2Click);
  Button_Render = new QPushButton("Render…", this);
  Button_Render->setObjectName("Button_Render");
  Button_Render->setToolTip("Encode the script with its sound into a movie file.");
  connect(Button_Render, &QPushButton::clicked, this, &TForm_Movie::Button_RenderClick);

  Label1 = new QLabel("Offset", this);
  Label1->setObjectName("Label1");
  Label_Offset = new QLabel("0", this);
  Label_Offset->setObjectName("Label_Offset");
  Label_Position = new QLabel(this);
  Label_Position->setObjectName("Label_Position");
  ScrollBar_Offset = new QScrollBar(Qt::Horizontal, this);
  ScrollBar_Offset->setObjectName("ScrollBar_Offset");
  ScrollBar_Offset->setRange(-1000, 1000);
  connect(ScrollBar_Offset, &QAbstractSlider::actionTriggered, this, [this](int action) {
    if (action == QAbstractSlider::SliderNoAction) return;
    ScrollBar_OffsetScroll(ScrollBar_Offset->sliderPosition(), action != QAbstractSlider::SliderMove);
  });
  connect(ScrollBar_Offset, &QAbstractSlider::sliderReleased, this,
          [this] { ScrollBar_OffsetScroll(ScrollBar_Offset->sliderPosition(), true); });

  Button_Sync = new QPushButton("Sync", this);
  Button_Sync->setObjectName("Button_Sync");
  Button_Sync->setToolTip("Set the offset from the clips' sound, or from their motion without sound.");
  connect(Button_Sync, &QPushButton::clicked, this, &TForm_Movie::Button_SyncClick);

  Timer1 = new QTimer(this);
  Timer1->setObjectName("Timer1");
  Timer1->setInterval(1000);
  connect(Timer1, &QTimer::timeout, this, &TForm_Movie::Timer1Timer);
  // The keys of a player: Space plays and pauses, Left and Right step,
  // Home goes to the first frame.
  const auto key = [this](const QKeySequence& sequence, auto action) {
    auto* shortcut = new QShortcut(sequence, this);
    connect(shortcut, &QShortcut::activated, this, action);
  };
  key(Qt::Key_Space, [this] { PlayPauseKey(); });
  key(Qt::Key_Left, [this] { MediaPlayer1Click(PlayerButton::Back); });
  key(Qt::Key_Right, [this] { MediaPlayer1Click(PlayerButton::Step); });
  key(Qt::Key_Home, [this] { MediaPlayer1Click(PlayerButton::Prev); });
  key(Qt::Key_M, [this] { Button_Mute->click(); });
  LayOut();
  ShowPosition();
}

TForm_Movie::~TForm_Movie() {
  Timer1->stop();
  model_->Close();
}

// The picture fills the top; below it the button bar and the track bar,
// then the two buttons, and the offset bar with its labels at the right.
void TForm_Movie::LayOut() {
  const int w = width();
  const int h = height();
  const int panelHeight = std::max(h - 116, 1);
  Panel1->setGeometry(30, 8, std::max(w - 60, 1), panelHeight);
  const int row1 = panelHeight + 16;
  MediaPlayer1->setGeometry(8, row1, 7 * 25, 26);
  TrackBar_Movie->setGeometry(190, row1, std::max(w - 246, 20), 24);
  Label_Position->setGeometry(190, row1 + 23, std::max(w - 198, 20), 16);
  // The mute button ends the player row, under the picture's right edge.
  Button_Mute->setGeometry(std::max(w - 54, 212), row1, 24, 24);
  const int row2 = row1 + 40;
  Button1->setGeometry(8, row2, 85, 25);
  Button2->setGeometry(98, row2, 85, 25);
  Button_Render->setGeometry(8, row2 + 30, 175, 25);
  Label1->setGeometry(190, row2 + 4, 40, 17);
  ScrollBar_Offset->setGeometry(234, row2 + 4, std::max(w - 262, 20), 17);
  // The offset value stands under its label.
  Label_Offset->setGeometry(190, row2 + 24, 40, 17);
  Label_Offset->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  Button_Sync->setGeometry(234, row2 + 26, 60, 22);
}

void TForm_Movie::resizeEvent(QResizeEvent*) { LayOut(); }

void TForm_Movie::RefreshControls() {
  {
    const QSignalBlocker block(ScrollBar_Offset);
    ScrollBar_Offset->setRange(state_.offset.minimum, state_.offset.maximum);
    ScrollBar_Offset->setValue(state_.offset.position);
    ScrollBar_Offset->setEnabled(state_.offsetEnabled);
  }
  const QSignalBlocker block(TrackBar_Movie);
  TrackBar_Movie->setRange(state_.track.minimum, state_.track.maximum);
  TrackBar_Movie->setValue(state_.track.position);
  ShowPosition();
}

double TForm_Movie::Rate() const { return hooks_.leftViewRate ? hooks_.leftViewRate() : 1.0; }

void TForm_Movie::ShowPosition() {
  Label_Position->setText(
      QString::fromStdString(FramePositionText(state_.track.position, state_.track.maximum, Rate())));
}

void TForm_Movie::RefreshButtons() {
  for (int i = 0; i < kPlayerButtonCount; ++i) PlayerButtons[i]->setEnabled(model_->Enabled(kButtons[i].button));
}

void TForm_Movie::Handle(const std::function<void()>& action) { RunShowingFailure(action, hooks_.showError); }

QRect TForm_Movie::ScreenRoom() const {
  QRect room(0, 0, 1024, 768);
  if (const QScreen* s = screen() ? screen() : QGuiApplication::primaryScreen()) room = s->availableGeometry();
  return room;
}

// The room the desktop leaves for windows, less the title bar and borders,
// so that the whole window, its lowest row too, stays on it.
void TForm_Movie::LayOutFor(const QSize& output) {
  const QRect room = ScreenRoom();
  const QSize decoration = frameGeometry().size() - geometry().size();
  const ViewerGeometry g = ComputeViewerGeometry(output.width(), output.height(), room.width() - decoration.width(),
                                                 room.height() - decoration.height(), x() - room.x(), y() - room.y());
  // A place that already fits is left alone: before the window is shown its
  // frame is not known, and moving it to its own place would shift it by
  // the title bar on every start.
  const QPoint place(g.left + room.x(), g.top + room.y());
  if (place != pos()) move(place);
  resize(g.width, g.height);
  Panel1->resize(g.panelWidth, g.panelHeight);
}

void TForm_Movie::ViewerOpen(const std::string& script, int width, int height, std::int64_t startMs) {
  setWindowTitle(QString::fromStdString(script));
  script_ = script;
  // A regeneration of a picture of the same size (Swap, Apply to Clip, a
  // slider) leaves the shown viewer where and as large as the user has it.
  const QSize output(width, height);
  if (!isVisible() || output != shownOutput_) {
    LayOutFor(output);
    // The title bar and borders are known once the window is shown; a
    // window they push past the desktop's edge is laid out again.
    show();
    if (!ScreenRoom().contains(frameGeometry())) LayOutFor(output);
  }
  shownOutput_ = output;
  RefreshControls();
  // Settle the track bar as the generator's range change would: the next
  // change the user makes seeks.
  TrackBar_MovieChange();
  show();
  try {
    model_->Open(script, startMs);
  } catch (const TandemixError& e) {
    if (hooks_.showError) hooks_.showError(e.what());
    return;
  }
  RefreshButtons();
  Timer1->start();
  if (hooks_.setRegenerateHoldoff) hooks_.setRegenerateHoldoff(5);
}

void TForm_Movie::MediaPlayer1Click(PlayerButton button) {
  MediaPlayer1->setFocus();
  model_->Press(button, Rate());
  RefreshButtons();
  if (button == PlayerButton::Next || button == PlayerButton::Prev) RefreshControls();
}

void TForm_Movie::PlayPauseKey() {
  MediaPlayer1Click(player_->Mode() == PlayerMode::Playing ? PlayerButton::Pause : PlayerButton::Play);
}

void TForm_Movie::TrackBar_MovieChange() {
  state_.track.position = TrackBar_Movie->value();
  model_->TrackChange(TrackBar_Movie->value(), Rate());
  ShowPosition();
}

void TForm_Movie::Timer1Timer() {
  // The move raises the track bar's change, which the model consumes.
  if (const auto moved = model_->TimerTick(Rate())) TrackBar_Movie->setValue(*moved);
}

int TForm_Movie::TakeFrameOnScreen() {
  const int frame = model_->FrameOnScreen(Rate());
  RefreshButtons();
  RefreshControls();
  return frame;
}

void TForm_Movie::Button1Click() {
  const int frame = TakeFrameOnScreen();
  Handle([&] {
    const BusyCursor busy;
    if (hooks_.adjustClip) hooks_.adjustClip(frame);
  });
}

void TForm_Movie::Button_RenderClick() {
  Handle([&] {
    if (script_.empty()) throw TandemixError("Open a script in the viewer first: there is nothing to render.");
    if (hooks_.render) hooks_.render(script_);
  });
}

void TForm_Movie::Button2Click() {
  const int frame = TakeFrameOnScreen();
  Handle([&] {
    if (hooks_.saveFrame) hooks_.saveFrame(frame);
  });
}

void TForm_Movie::ScrollBar_OffsetScroll(int position, bool endOfScroll) {
  bool regenerate = false;
  Label_Offset->setText(QString::fromStdString(model_->OffsetScroll(position, endOfScroll, regenerate)));
  if (regenerate)
    Handle([&] {
      if (hooks_.regenerate) hooks_.regenerate();
    });
}

void TForm_Movie::Button_SyncClick() {
  Handle([&] {
    if (!hooks_.syncOffset) return;
    bool regenerate = false;
    Label_Offset->setText(QString::fromStdString(model_->SyncOffset(hooks_.syncOffset(), regenerate)));
    RefreshControls();
    if (regenerate && hooks_.regenerate) hooks_.regenerate();
  });
}

void TForm_Movie::Button_MuteClick() {
  model_->SetMuted(Button_Mute->isChecked());
  RefreshMute();
}

void TForm_Movie::RefreshMute() {
  const bool muted = model_->Muted();
  Button_Mute->setChecked(muted);
  Button_Mute->setIcon(style()->standardIcon(muted ? QStyle::SP_MediaVolumeMuted : QStyle::SP_MediaVolume));
  Button_Mute->setToolTip(muted ? "Sound off (M turns it on)" : "Sound on (M turns it off)");
}

void TForm_Movie::closeEvent(QCloseEvent* event) {
  model_->Close();
  Timer1->stop();
  event->accept();
}

}  // namespace tandemix
