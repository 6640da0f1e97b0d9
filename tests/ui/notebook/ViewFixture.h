#pragma once

#include "ui/notebook/NotebookTextView.h"

#include <QTest>
#include <gtest/gtest.h>

#include <memory>

// A shown editor of a fixed size; geometry is read from the view itself because font metrics differ
// between machines.
class ViewFixture : public ::testing::Test {
protected:
    using View = VexilUI::NotebookTextView;

    void makeView(qreal fontSize, int width = 800, int height = 500) {
        view.reset(View::make(fontSize));
        view->resize(width, height);
        view->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(view.get()));
    }

    QPoint viewportPoint(const QPointF& viewPoint) const {
        return (viewPoint - view->viewPoint(QPointF(0, 0))).toPoint();
    }

    std::unique_ptr<View> view;
};
