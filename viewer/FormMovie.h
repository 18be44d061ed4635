// The clip viewer: plays the output script, follows playback with its track
// bar, shifts one clip against the other with the offset bar, and captures
// the current frame ("Adjust Clip", "Save Frame"), and renders the script
// to a movie file ("Render…").
#pragma once

#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QSlider>
#include <QTimer>
#include <QToolButton>
#include <QWidget>
#include <functional>
#include <memory>

#include "platform/MediaPlayer.h"
#include "script/ScriptGenerator.h"
#include "viewer/FormVideoPanel.h"
#include "viewer/ViewerModel.h"

namespace tandemix {

struct MovieWindowHooks {
  std::function<void(int frame)> adjustClip;      // may throw
  std::function<void(int frame)> saveFrame;       // asks a name, grabs; may throw
  std::function<void()> regenerate;               // GenerateScripts(true); may throw
  std::function<double()> leftViewRate;           // frames a second of the left view
  std::function<void(int)> setRegenerateHoldoff;  // RegenerateHoldoff := n
  std::function<void(const std::string&)> showError;
  // "Sync": the offset in frames between the two clips; throws the reason.
  std::function<int()> syncOffset;
  // "Render…": the render dialog for the script on show.
  std::function<void(const std::string& script)> render;
};

class TForm_Movie : public QWidget, public ScriptViewer {
  Q_OBJECT

 public:
  // With no player given, the window makes its own on the script engine.
  TForm_Movie(ViewerState& state, MovieWindowHooks hooks, MediaPlayer* player = nullptr, QWidget* parent = nullptr);
  ~TForm_Movie() override;

  // The generator's last step: size the window for the output, open the
  // script and start where asked.
  void ViewerOpen(const std::string& script, int width, int height, std::int64_t startMs) override;

  ViewerModel& Model() { return *model_; }
  // Brings the track and offset bars into line with the viewer state.
  void RefreshControls();

  VideoPanel* Panel1;
  QWidget* MediaPlayer1;
  QToolButton* PlayerButtons[kPlayerButtonCount];
  QToolButton* Button_Mute;  // at the end of the player row; M toggles it too
  QSlider* TrackBar_Movie;
  QPushButton* Button1;        // "Adjust Clip"
  QPushButton* Button2;        // "Save Frame"
  QPushButton* Button_Render;  // "Render…"
  QLabel* Label1;
  QLabel* Label_Offset;
  QLabel* Label_Position;  // "frame 137 / 250 · 00:05.48" under the track bar
  QScrollBar* ScrollBar_Offset;
  QPushButton* Button_Sync;
  QTimer* Timer1;

  void MediaPlayer1Click(PlayerButton button);
  void TrackBar_MovieChange();
  void Timer1Timer();
  void Button1Click();
  void Button2Click();
  void Button_RenderClick();
  void ScrollBar_OffsetScroll(int position, bool endOfScroll);
  // Space: pause while playing, else play.
  void PlayPauseKey();
  void Button_SyncClick();
  void Button_MuteClick();

 protected:
  void closeEvent(QCloseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void Handle(const std::function<void()>& action);
  void RefreshButtons();
  void RefreshMute();
  void LayOut();
  void ShowPosition();
  double Rate() const;
  // Pauses and puts the track bar on the frame on screen; returns it.
  int TakeFrameOnScreen();

  ViewerState& state_;
  MovieWindowHooks hooks_;
  std::string script_;  // the script on show
  std::unique_ptr<MediaPlayer> ownPlayer_;
  MediaPlayer* player_;
  std::unique_ptr<ViewerModel> model_;
  QRect ScreenRoom() const;
  void LayOutFor(const QSize& output);
  QSize shownOutput_;  // the output size the viewer was last laid out for
};

}  // namespace tandemix
