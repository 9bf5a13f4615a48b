// TForm1: the borderless base window. It draws its own caption bar, body frame and status bar,
// and moves, resizes, maximises, minimises and closes itself.
//
// Construction builds the frame (rpTop with its strips, title label and caption buttons; RzPanel1
// with the grips, the left area RzPanel3 and the right area RzPanel4 with its bar RzPanel6;
// RzPanel2, the status bar) and runs FormCreate (the rounded window region). Every resize re-makes
// the region (FormResize). A derived window fills leftColumn() and RzPanel4's layout.
//
// Moving and resizing are requests to the window manager (QWindow::startSystemMove /
// startSystemResize); where the platform refuses, a pointer-following loop does the same.
// The mouse-press handlers do not look at which button was pressed.
#pragma once

#include <QRegion>
#include <QVBoxLayout>
#include <QWidget>
#include <functional>

#include "frame/frame_controls.h"

class QLabel;

// The rounded outline: corners (0,0) and (w+1,h+1), rounded by an ellipse 5 wide and 6 high.
QRegion RoundedWindowRegion(int width, int height);
// Maximised from normal; normal from every other state.
Qt::WindowStates ToggledMaximisedState(Qt::WindowStates current);

class TForm1 : public QWidget {
    Q_OBJECT
  public:
    explicit TForm1(QWidget* parent = nullptr);

    // Caption bar
    TPanel* rpTop;
    TImage* Image2;  // top-left grip
    TImage* Image1;
    TImage* Image3;  // drag area
    TImage* Image5;
    TImage* Image4;  // top-right grip
    QLabel* RzLabel1;
    TImage* Image16;           // program icon
    TBmpButton* RzBmpButton3;  // minimise
    TBmpButton* RzBmpButton2;  // maximise / restore
    TBmpButton* RzBmpButton1;  // close
    // Body
    TPanel* RzPanel1;
    TImage* Image6;    // left grip
    TImage* Image7;    // right grip
    TPanel* RzPanel3;  // left area
    TImage* Image13;   // separator of the left area
    TPanel* RzPanel4;  // right area
    TPanel* RzPanel6;  // bar of the right area
    TImage* Image15;   // separator under the bar
    // Status bar
    TPanel* RzPanel2;
    TImage* Image10;  // bottom-left grip
    TImage* Image9;
    TImage* Image8;
    TImage* Image12;  // bottom-right grips
    TImage* Image11;

    // The column of the left area, beside the separator Image13.
    QVBoxLayout* leftColumn() const { return leftColumn_; }
    // The layout of the right area, below RzPanel6.
    QVBoxLayout* rightColumn() const { return rightColumn_; }

    void ApplyWindowRegion();
    void ToggleMaximised();
    // A move or resize started by a press on `handle` (it receives the following moves). With
    // the left button the window manager is asked (a move once the pointer has moved, so that
    // double-clicks get through); where it refuses, and for the other buttons, PointerDrag follows
    // the pointer until that button is released.
    void StartWindowMove(QWidget* handle, QMouseEvent* event);
    void StartWindowResize(QWidget* handle, QMouseEvent* event, Qt::Edges edges);
    // The request to the window manager (QWindow::startSystemMove / startSystemResize); true when
    // it took over. Tests replace it to stand for a window manager.
    bool RequestWindowManager(bool move, Qt::Edges edges);
    void setWindowManagerRequest(std::function<bool(bool move, Qt::Edges edges)> request) {
        windowManagerRequest_ = std::move(request);
    }

    // Handlers
    void FormCreate();
    void FormResize();
    void Image3MouseDown(QMouseEvent* event);
    void Image3DblClick();
    void RzBmpButton1Click();
    void RzBmpButton2Click();
    void RzBmpButton3Click();
    void Image2MouseDown(QMouseEvent* event);
    void Image4MouseDown(QMouseEvent* event);
    void Image6MouseDown(QMouseEvent* event);
    void Image7MouseDown(QMouseEvent* event);
    void Image10MouseDown(QMouseEvent* event);
    void Image12MouseDown(QMouseEvent* event);

    // Number of times the region was made (for checks that every resize re-makes it).
    int regionCount() const { return regionCount_; }
    // The outline last made by ApplyWindowRegion.
    QRegion windowRegion() const { return windowRegion_; }

  protected:
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void placeCaptionPieces();
    void placeBarPieces();
    QWidget* pressedWidget() const;

    QVBoxLayout* leftColumn_ = nullptr;
    QVBoxLayout* rightColumn_ = nullptr;
    int regionCount_ = 0;
    QRegion windowRegion_;
    std::function<bool(bool, Qt::Edges)> windowManagerRequest_;
};
