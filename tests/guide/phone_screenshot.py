#!/usr/bin/python3
"""The guide's picture of the browser throttle on a phone.

The real main window on the station simulator (browserwindow-host), its page opened in headless
chromium at a phone's 360 x 740 (twice as many pixels, as a phone's screen has) from the QR
code's address, loco 3 set going with its headlight and F1, and the screen saved as a PNG.

Usage: phone_screenshot.py HOST_PROGRAM OUTPUT_PNG
"""

import os
import shutil
import sys
import tempfile

from selenium.webdriver.common.by import By

# The browser test's host, browser and waits, used as they are.
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "remote"))
import browser_throttle_test as throttle_test  # noqa: E402


def shoot(host, page, output):
    watch = throttle_test.Watch(page)
    page.get(host.page_address())
    watch.shown("#throttle")
    watch.text_becomes("#slot-1 .address", "Loco 3")
    step = throttle_test.drag_slider(page, "#slot-1 .slider")
    watch.text_becomes("#slot-1 .step", str(step))
    for what in ["headlight", "f1"]:
        page.find_element(By.CSS_SELECTOR, "#slot-1 [data-what=%s]" % what).click()
        watch.attribute_becomes("#slot-1 [data-what=%s]" % what, "aria-pressed", "true")
    page.execute_script("window.scrollTo(0, 0)")
    if not page.save_screenshot(output):
        raise AssertionError("cannot write " + output)
    print(output)


def main():
    if len(sys.argv) != 3:
        print(__doc__, file=sys.stderr)
        return 2
    host = throttle_test.Host(sys.argv[1])
    profile = tempfile.mkdtemp(prefix="korvant-browser-")
    page = None
    try:
        page = throttle_test.browser(profile, scale=2)
        shoot(host, page, sys.argv[2])
    except AssertionError as failure:
        print("phone_screenshot: %s" % failure, file=sys.stderr)
        return 1
    finally:
        if page is not None:
            page.quit()
        host.stop()
        shutil.rmtree(profile, ignore_errors=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
