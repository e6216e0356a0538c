// A window handler named after its control (PaintBox1): the check must list exactly
// paintbox1paint and listbox2_, and none of the names in comments, strings and characters.
#pragma once

class NumberedHandler {
  public:
    void PaintBox1Paint(); /* "CheckBox1" is the box's objectName */
    const char* name() const { return "FloatEdit13"; }
    const char* quoted() const { return "a \"Button2\" b"; }
    char quote() const { return '"'; }
    int count() const { return 1'000; }  // Edit1

  private:
    int listBox2_ = 0;
};
