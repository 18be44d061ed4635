#include "app/Program.h"

#include <QApplication>
#include <QFontInfo>
#include <QScreen>
#include <QTimer>

#include "analysis/AutoAlign.h"
#include "analysis/ClipSync.h"
#include "base/Errors.h"
#include "core/SettingsKeys.h"
#include "core/WindowRules.h"
#include "viewer/FrameCommands.h"
#include "widgets/WidgetMaking.h"

namespace tandemix {
namespace {

FileDialogRequest BitmapSaveRequest(const char* title) {
  FileDialogRequest request;
  request.save = true;
  request.title = title;
  request.filters = {"Bitmaps (*.bmp)|*.bmp"};
  request.defaultSuffix = "bmp";
  request.confirmOverwrite = true;
  return request;
}

}  // namespace

TandemixProgram::TandemixProgram(VideoServices& video, MainPrompts& prompts, Shell& shell, std::string programFolder,
                                 MediaPlayer* player, SettingsStore* settings)
    : remembering(prompts, project, settings),
      generator(project, alignment, viewer, video, remembering, *this),
      compositor(this),
      video_(video),
      prompts_(remembering),
      settings_(settings) {
  // The main window takes the desktop's font size, as every other window.
  MainWindowContext context{project,
                            viewer,
                            video,
                            generator,
                            remembering,
                            shell,
                            std::move(programFolder),
                            QFontInfo(QApplication::font()).pixelSize()};
  context.alignment = &alignment;
  context.settings = settings;
  context.alignmentChanged = [this] {
    if (!preview) return;
    preview->Model().FollowSettings();
    preview->RefreshControls();
  };
  context.renderRunning = [this] { return render && render->Model().Running(); };
  context.cancelRender = [this] {
    if (render) render->Button_CancelClick();
  };
  main = std::make_unique<TForm_Main>(context);
  auto showError = [this](const std::string& text) { prompts_.ShowError(text); };

  PreviewWindowHooks previewHooks;
  previewHooks.composePreview = [this] {
    // No picture of the drag comes after this one.
    if (live) live->Cancel();
    // The adjustment window is reached only after "Adjust Clip" captured a
    // pair; before that there is nothing to compose.
    if (compositor.HasFrames()) compositor.ComposeFromSettings(alignment);
  };
  previewHooks.dragPreview = [this] {
    if (!live || !compositor.HasFrames()) return;
    try {
      live->Request(PreviewRequestFrom(alignment));
    } catch (const TandemixError&) {
      // A box holding a non-number: the release will say so.
    }
  };
  previewHooks.regenerate = [this] { Regenerate(); };
  previewHooks.showSliderDialog = [this] {
    if (!slider) return;
    // The dialog opens next to the adjustment window.
    if (!slider->isVisible()) {
      QRect screen(0, 0, 1024, 768);
      if (const QScreen* s = preview->screen()) screen = s->availableGeometry();
      slider->move(BesideOf(preview->frameGeometry(), slider->frameGeometry().size(), screen));
    }
    slider->show();
    slider->raise();
    slider->activateWindow();
  };
  previewHooks.askSavePicture = [this] {
    return prompts_.AskFileName(BitmapSaveRequest("Enter name of the output bmp File"));
  };
  previewHooks.savePreviewImage = [this](const std::string& path) {
    if (compositor.PreviewImage().Empty()) throw TandemixError("There is no preview picture to save yet.");
    compositor.PreviewImage().SaveToFile(path);
  };
  previewHooks.showError = showError;
  previewHooks.autoAlign = [this]() -> AutoAlignWork {
    if (!compositor.HasFrames()) throw TandemixError("there is no captured frame pair");
    AutoAlignOptions options;
    options.autoCrop = alignment.autoCrop;
    options.swapViews = alignment.swapViews;
    // The work runs on a thread of its own: it takes copies of what it
    // reads here. The services open every script anew, so the clip can
    // play meanwhile.
    return [video = &video_, names = generator.Names(), frame = capturedFrame_, options,
            left = compositor.LeftFrame().Frame(),
            right = compositor.RightFrame().Frame()](const AlignProgress& progress) mutable {
      // The captured frame and a few more of the clip, fitted together; the
      // captured pair alone when the scripts cannot give more.
      std::vector<std::pair<FrameBGR, FrameBGR>> pairs;
      try {
        pairs = AlignmentFrames(*video, names, frame, kAutoAlignFrames,
                                [&](int done, int total) { return progress.Step("reading frames", done, total); });
      } catch (const AlignCancelled&) {
        throw;
      } catch (const TandemixError&) {
        pairs.clear();
      }
      if (pairs.empty() || pairs[0].first.width != left.width || pairs[0].first.height != left.height) {
        pairs.clear();
        pairs.emplace_back(std::move(left), std::move(right));
      }
      options.step = [&](int done, int total) {
        return progress.Step(done < total ? "matching frames" : "fitting", done, total);
      };
      return AutoAligner(options).Align(pairs);
    };
  };
  // The limits typed in the adjustment window are the settings' from now on.
  previewHooks.depthLimitsChanged = [this](const DepthLimits& limits) {
    if (!settings_) return;
    settings_->SetText(kDepthScreenWidthKey, SettingNumberText(limits.screenWidthMetres));
    settings_->SetText(kDepthNearBudgetKey, SettingNumberText(limits.nearComfortPercent));
    settings_->Sync();
  };
  // Closing the adjustment window closes the picture it adjusts.
  previewHooks.closed = [this] {
    if (picture) picture->close();
  };
  preview = std::make_unique<TForm_Preview>(alignment, previewHooks);
  if (settings_) {
    DepthLimits limits;
    limits.screenWidthMetres =
        SettingNumber(settings_->Text(kDepthScreenWidthKey), kDefaultScreenWidthMetres, 0.1, 100.0);
    limits.nearComfortPercent =
        SettingNumber(settings_->Text(kDepthNearBudgetKey), kDefaultNearBudgetPercent, 0.01, 50.0);
    preview->Model().SetDepthLimits(limits);
    preview->RefreshControls();
  }

  slider = std::make_unique<TForm_Slider>(preview->Model(), showError, [this] { preview->RefreshControls(); });

  MovieWindowHooks movieHooks;
  movieHooks.adjustClip = [this](int frame) {
    AdjustClip(video_, generator.Names(), frame, compositor, alignment);
    capturedFrame_ = frame;
    // An alignment still running speaks of the frames captured before.
    preview->CancelAutoAlign();
    if (live) live->SetFrames(compositor.LeftFrame(), compositor.RightFrame());
    // The depth spoke of the frames captured before.
    preview->Model().ForgetDepth();
    preview->RefreshControls();
  };
  movieHooks.saveFrame = [this](int frame) {
    const auto path = prompts_.AskFileName(BitmapSaveRequest("Insert file name of output bmp picture"));
    if (!path) return;
    const BusyCursor busy;
    SaveOutputFrame(video_, generator.Names(), frame, *path);
  };
  movieHooks.regenerate = [this] { Regenerate(); };
  movieHooks.leftViewRate = [this] { return generator.Views().leftViewRate; };
  movieHooks.setRegenerateHoldoff = [this](int ticks) { alignment.regenerateHoldoff = ticks; };
  movieHooks.showError = showError;
  movieHooks.syncOffset = [this] {
    if (project.importStereo || project.clipAFileName.empty() || project.clipBFileName.empty())
      throw TandemixError("Sync needs a left and a right clip; the views of one stereo clip are in step already.");
    MediaClipSignals source;
    return FindSync(project.clipAFileName, project.clipBFileName, source).frames;
  };
  RenderWindowHooks renderHooks;
  renderHooks.showError = showError;
  render = std::make_unique<TForm_Render>(settings_, renderHooks);
  movieHooks.render = [this](const std::string& script) {
    // The dialog first opens next to the viewer it was asked from.
    if (!render->isVisible() && movie) {
      QRect screen(0, 0, 1024, 768);
      if (const QScreen* s = movie->screen()) screen = s->availableGeometry();
      render->move(BesideOf(movie->frameGeometry(), render->frameGeometry().size(), screen));
    }
    render->Open(script);
  };
  movie = std::make_unique<TForm_Movie>(viewer, movieHooks, player);

  picture = std::make_unique<TForm_Picture>();
  picture->SetNeighbour(movie.get());
  live = std::make_unique<LivePreview>(
      [this](std::function<void()> work) {
        QMetaObject::invokeMethod(picture.get(), std::move(work), Qt::QueuedConnection);
      },
      [this](const Bitmap& image) { picture->ShowPicture(image); });
  about = std::make_unique<TForm_Help_About>();
  main->SetAboutWindow(about.get());

  // Closing a secondary window only hides it.
  for (QWidget* w : std::initializer_list<QWidget*>{preview.get(), slider.get(), movie.get(), picture.get(),
                                                    about.get(), render.get()})
    w->setAttribute(Qt::WA_QuitOnClose, false);
  // Closing the main window stops the viewer's timer.
  QObject::connect(main.get(), &TForm_Main::FormClosed, movie->Timer1, &QTimer::stop);
  QObject::connect(main.get(), &TForm_Main::FormClosed, [this] { SaveWindowPlaces(); });
  RestoreWindowPlaces();
}

std::vector<QWidget*> TandemixProgram::RememberedWindows() const {
  return {main.get(), preview.get(), movie.get(), picture.get()};
}

void TandemixProgram::RestoreWindowPlaces() {
  if (!settings_) return;
  for (QWidget* w : RememberedWindows()) {
    const QByteArray place = settings_->Bytes(WindowGeometryKey(w->objectName().toStdString()));
    if (place.isEmpty() || !w->restoreGeometry(place)) continue;
    if (w == main.get()) mainPlaceRemembered_ = true;
    if (w == picture.get()) picture->SetPlaced(true);
    if (w == preview.get()) previewPlaceRemembered_ = true;
  }
}

void TandemixProgram::SaveWindowPlaces() {
  if (!settings_) return;
  // Only windows that were ever shown have a place of their own.
  for (QWidget* w : RememberedWindows()) {
    if (w->windowHandle()) settings_->SetBytes(WindowGeometryKey(w->objectName().toStdString()), w->saveGeometry());
  }
  settings_->Sync();
}

TandemixProgram::~TandemixProgram() {
  // The viewer's player thread goes first; the main window last.
  movie.reset();
}

void TandemixProgram::Regenerate() {
  const BusyCursor busy;
  regenerating_ = true;
  struct Done {
    bool& flag;
    ~Done() { flag = false; }
  } done{regenerating_};
  generator.GenerateScripts(true);
  preview->RefreshControls();
}

void TandemixProgram::EnablePreviewOptions(bool enabled) { preview->SetPreviewOptionsEnabled(enabled); }

void TandemixProgram::ShowPicture(const Bitmap& image) { picture->ShowPicture(image); }

void TandemixProgram::ShowAdjustmentWindow() {
  preview->RefreshControls();
  // Its first showing puts it beside the picture it adjusts, not over it
  // (a place of its own, shown before or remembered, is kept).
  if (!preview->windowHandle() && !previewPlaceRemembered_ && picture->isVisible()) {
    QRect screen(0, 0, 1024, 768);
    if (const QScreen* s = picture->screen()) screen = s->availableGeometry();
    preview->move(BesideOf(picture->frameGeometry(), preview->frameGeometry().size(), screen));
  }
  preview->show();
  // A second "Adjust Clip" brings both windows back in front of the viewer.
  if (picture->isVisible()) picture->raise();
  preview->raise();
  preview->activateWindow();
}

void TandemixProgram::ViewerOpen(const std::string& script, int width, int height, std::int64_t startMs) {
  if (preview) preview->RefreshControls();
  if (!movie) return;
  movie->ViewerOpen(script, width, height, startMs);
  // Open preview brings the viewer in front; a regeneration from another
  // window reloads it where it stands.
  if (!regenerating_ && movie->isVisible()) {
    movie->raise();
    movie->activateWindow();
  }
}

}  // namespace tandemix
