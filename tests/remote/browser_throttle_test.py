#!/usr/bin/python3
"""The browser throttle's page in a real browser.

Chromium, headless and 360 x 740 like a phone, is driven with selenium.

The page against browserthrottle-host, whose station is its standard input and output: the page
asks for the code, takes a wrong one and then the right one, drives slot 1 with the slider and
F2, shows what the station reports (typed out by hand), says when it may not drive, and comes
back after the server restarts.

With --station, against browserwindow-host: the real main window connected to the station
simulator. The page opens at the address of the QR code, logs in by itself, and what it does
reaches the simulator's wire byte for byte; what the simulator reports comes back on the page.

A machine without chromium or its driver fails this test.

Usage: browser_throttle_test.py [--station] HOST_PROGRAM
"""

import os
import queue
import re
import shutil
import subprocess
import sys
import tempfile
import threading
import time
import urllib.parse

from selenium import webdriver
from selenium.common.exceptions import TimeoutException
from selenium.webdriver.chrome.options import Options
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.action_chains import ActionChains
from selenium.webdriver.common.by import By
from selenium.webdriver.support.ui import WebDriverWait

CODE = "4711-blue"
WAIT_S = 20
# Slot 1: loco 3 at 12 of 31, headlight on; slot 2: loco 4, reverse, 14 steps, F1 on; slot 3:
# loco 5 at 64 of 128; slot 4: loco 130, stopped, 31 steps, headlight and F1-F4 on.
PACKET = "030405820C00400049021001001F"


def packet(speed1, speed3, lamps1):
    return "03040582%02X00%02X0049" "02" "%02X01001F" % (speed1, speed3, lamps1)


class Host:
    """The host program, its lines read on a thread so a wait never blocks past its bound."""

    def __init__(self, program):
        self.process = subprocess.Popen(
            [program, "--code", CODE], stdin=subprocess.PIPE, stdout=subprocess.PIPE,
            text=True, bufsize=1)
        self.lines = queue.Queue()
        self.sent = []
        self.wire = b""
        threading.Thread(target=self._read, daemon=True).start()
        self.port = int(self.wait_for(lambda line: line.startswith("listening "),
                                      "listening").split()[1])

    def _read(self):
        for line in self.process.stdout:
            self.lines.put(line.rstrip("\n"))
        self.lines.put(None)

    def wait_for(self, matches, what=None):
        deadline = time.monotonic() + WAIT_S
        while True:
            left = deadline - time.monotonic()
            try:
                line = self.lines.get(timeout=max(left, 0.01))
            except queue.Empty:
                line = ""
            if line is None:
                raise AssertionError("the host ended while waiting for %s" % (what or "a line"))
            if line.startswith("sent "):
                self.sent.append(line[5:])
            if line.startswith("wire "):
                self.wire += urllib.parse.unquote_to_bytes(line[5:])
            if line and matches(line):
                return line
            if line.startswith("error "):
                raise AssertionError("host: " + line)
            if time.monotonic() >= deadline:
                raise AssertionError("no %s from the host; instructions so far: %s"
                                     % (what or "such line", self.sent))

    def command(self, command):
        self.process.stdin.write(command + "\n")
        self.process.stdin.flush()
        self.wait_for(lambda line: line == "ok " + command, "ok for " + command)

    def wait_for_instruction(self, instruction):
        if instruction in self.sent:
            return
        self.wait_for(lambda line: line == "sent " + instruction, "instruction " + instruction)

    def page_address(self):
        return self.wait_for(lambda line: line.startswith("page "), "the page's address")[5:]

    def take_wire(self):
        """What the simulator received since the last take."""
        self.command("wire")
        wire, self.wire = self.wire, b""
        return wire

    def wire_until(self, matches, what):
        """Everything the simulator received until it matches, asked for again until then."""
        wire = b""
        deadline = time.monotonic() + WAIT_S
        while not matches(wire):
            if time.monotonic() >= deadline:
                raise AssertionError("the simulator never received %s, only %r" % (what, wire))
            wire += self.take_wire()
        return wire

    def stop(self):
        """The host's exit status: a sanitizer's finding at its end fails the test too."""
        if self.process.poll() is None:
            try:
                self.process.stdin.write("quit\n")
                self.process.stdin.flush()
                self.process.wait(timeout=WAIT_S)
            except (OSError, subprocess.TimeoutExpired):
                self.process.kill()
                self.process.wait()
        return self.process.returncode


def browser(profile, scale=1):
    chromium = shutil.which("chromium")
    driver = shutil.which("chromedriver")
    if not chromium or not driver:
        raise AssertionError("chromium and chromedriver are needed (Debian's chromium and "
                             "chromium-driver; scripts/setup installs them)")
    options = Options()
    options.binary_location = chromium
    for argument in ["--headless=new", "--disable-gpu", "--window-size=360,740",
                     "--user-data-dir=" + profile, "--no-first-run",
                     "--disable-background-networking", "--disable-dev-shm-usage",
                     "--disable-extensions", "--force-device-scale-factor=%d" % scale]:
        options.add_argument(argument)
    # Chromium's sandbox does not start for root (CI runs as root).
    if os.geteuid() == 0:
        options.add_argument("--no-sandbox")
    options.set_capability("goog:loggingPrefs", {"browser": "ALL"})
    page = webdriver.Chrome(service=Service(executable_path=driver), options=options)
    # Headless windows may start wider than asked.
    page.set_window_size(360, 740)
    return page


def check(condition, message):
    if not condition:
        raise AssertionError(message)


class Watch:
    """Bounded waits for what the page shows."""

    def __init__(self, page):
        self.page = page
        self.wait = WebDriverWait(page, WAIT_S)

    def shown(self, selector):
        element = self.page.find_element(By.CSS_SELECTOR, selector)
        self.wait.until(lambda _: element.is_displayed(), "%s is not shown" % selector)
        return element

    def text_becomes(self, selector, text):
        find = lambda: self.page.find_element(By.CSS_SELECTOR, selector)
        try:
            self.wait.until(lambda _: find().text == text)
        except TimeoutException:
            raise AssertionError("%s shows %r, not %r" % (selector, find().text, text))

    def attribute_becomes(self, selector, name, value):
        find = lambda: self.page.find_element(By.CSS_SELECTOR, selector)
        try:
            self.wait.until(lambda _: find().get_attribute(name) == value)
        except TimeoutException:
            raise AssertionError("%s has %s=%r, not %r" % (
                selector, name, find().get_attribute(name), value))

    def fits_the_screen(self):
        width = self.page.execute_script(
            "return [document.documentElement.scrollWidth, window.innerWidth]")
        check(width[1] == 360, "the window is not a phone's: %d px wide" % width[1])
        check(width[0] <= width[1], "the page scrolls sideways: %s px wide in %s" % tuple(width))

    def script_problems(self):
        return [entry["message"] for entry in self.page.get_log("browser")
                if "Uncaught" in entry["message"]
                or "Content Security Policy" in entry["message"]]


def drag_slider(page, selector):
    """The thumb on a slider, moved right and let go; gives the step where it stands."""
    slider = page.find_element(By.CSS_SELECTOR, selector)
    ActionChains(page).click_and_hold(slider).move_by_offset(40, 0).pause(0.2).release().perform()
    return int(slider.get_attribute("value"))


def run(host, page):
    watch = Watch(page)
    shown = watch.shown
    text_becomes = watch.text_becomes
    attribute_becomes = watch.attribute_becomes
    fits_the_screen = watch.fits_the_screen

    host.command("link open")
    host.command("status " + PACKET)
    page.get("http://127.0.0.1:%d/" % host.port)
    check(page.find_element(By.CSS_SELECTOR, 'meta[name="viewport"]')
          .get_attribute("content").startswith("width=device-width"), "no phone viewport")

    # Without the cookie the socket is refused, and the page asks for the code.
    code = shown("#code")
    code.send_keys("0000")
    page.find_element(By.ID, "login-button").click()
    text_becomes("#login-answer", "Wrong access code.")
    check(host.sent == [], "a wrong code drove: %s" % host.sent)
    code.clear()
    code.send_keys(CODE)
    page.find_element(By.ID, "login-button").click()
    shown("#throttle")
    text_becomes("#slot-1 .address", "Loco 3")
    text_becomes("#slot-4 .address", "Loco 130")
    cookies = {cookie["name"]: cookie for cookie in page.get_cookies()}
    check(cookies.get("korvant_throttle", {}).get("httpOnly") is True, "no HttpOnly token cookie")
    check(cookies["korvant_throttle"].get("sameSite") == "Strict", "the cookie is not Strict")

    for slot, maximum, step in [(1, "31", "12"), (2, "14", "0"), (3, "128", "64")]:
        attribute_becomes("#slot-%d .slider" % slot, "max", maximum)
        attribute_becomes("#slot-%d .slider" % slot, "value", step)
    attribute_becomes("#slot-1 [data-what=headlight]", "aria-pressed", "true")
    attribute_becomes("#slot-2 .direction", "aria-pressed", "true")
    fits_the_screen()
    for control in page.find_elements(By.CSS_SELECTOR, ".card button, #stop"):
        check(control.size["height"] >= 44 and control.size["width"] >= 44,
              "%r is too small for a thumb: %s" % (control.text, control.size))
    check(page.find_element(By.ID, "stop").size["height"] >= 60, "STOP ALL is not large")

    # The thumb on slot 1's slider: the station gets the step where it is let go.
    step = drag_slider(page, "#slot-1 .slider")
    check(12 < step <= 31, "the slider did not move up: %d" % step)
    host.wait_for_instruction(":S1%02X" % step)
    deadline = time.monotonic() + WAIT_S
    while host.sent[-1] != ":S1%02X" % step and time.monotonic() < deadline:
        host.wait_for(lambda line: line.startswith("sent "), "the last speed")
    check(host.sent[-1] == ":S1%02X" % step, "the last speed sent is %s, the slider stands at %d"
          % (host.sent[-1], step))
    check(all(sent.startswith(":S1") for sent in host.sent),
          "the slider sent other instructions: %s" % host.sent)

    host.sent.clear()
    page.find_element(By.CSS_SELECTOR, "#slot-1 [data-what=f2]").click()
    host.wait_for_instruction(":F200")
    attribute_becomes("#slot-1 [data-what=f2]", "aria-pressed", "false")

    # What the station reports is what the page shows: F2 lit, slot 1 at its step, slot 3 at 32.
    host.command("status " + packet(step, 32, 0x12))
    attribute_becomes("#slot-1 [data-what=f2]", "aria-pressed", "true")
    attribute_becomes("#slot-1 [data-what=f2]", "class", "lamp")
    text_becomes("#slot-1 .step", str(step))
    text_becomes("#slot-3 .step", "32")
    attribute_becomes("#slot-3 .slider", "value", "32")
    check(host.sent == [":F200"], "more than F2 was sent: %s" % host.sent)

    page.find_element(By.ID, "stop").click()
    host.wait_for_instruction(":E000")

    host.command("link closed")
    shown("#unavailable")
    text_becomes("#unavailable", "Not available The station is not connected.")
    check(not page.find_element(By.ID, "stop").is_enabled(), "STOP ALL works without a link")
    check(not page.find_element(By.CSS_SELECTOR, "#slot-1 .slider").is_enabled(),
          "the slider works without a link")

    # The server stops and listens again: the page reconnects with the cookie it has.
    host.command("link open")
    host.command("restart")
    host.wait_for(lambda line: line == "clients 1", "the page's socket after the restart")
    host.command("status " + packet(20, 64, 0x10))
    text_becomes("#slot-1 .step", "20")
    check(not page.find_element(By.ID, "unavailable").is_displayed(), "still not available")
    fits_the_screen()

    problems = watch.script_problems()
    check(not problems, "the page's script failed: %s" % problems)


def run_station(host, page):
    watch = Watch(page)
    address = host.page_address()
    check(address.startswith("http://127.0.0.1:%d/#code=" % host.port), "not the page: " + address)
    host.take_wire()

    # The QR code's address: the page logs in by itself and keeps no code in its address.
    page.get(address)
    watch.shown("#throttle")
    check("code" not in page.current_url, "the code stays in the address: " + page.current_url)
    check(not page.find_element(By.ID, "login").is_displayed(), "the page asks for the code")
    watch.text_becomes("#slot-1 .address", "Loco 3")
    watch.text_becomes("#slot-4 .address", "Loco 6")
    for slot, maximum in [(1, "31"), (2, "14"), (3, "128"), (4, "31")]:
        watch.attribute_becomes("#slot-%d .slider" % slot, "max", maximum)
    check(host.take_wire() == b"", "the page sent something before it was touched")

    # The slider's steps on the wire as the station takes them, the last one where it stands.
    step = drag_slider(page, "#slot-1 .slider")
    check(0 < step <= 31, "the slider did not move up: %d" % step)
    last = b":S1%02X" % step
    wire = host.wire_until(lambda wire: wire.endswith(last), last)
    check(re.fullmatch(rb"(:S1[0-9A-F]{2})+", wire), "the slider sent more than speeds: %r" % wire)

    # F2 lights only when the simulator reports it lit.
    watch.attribute_becomes("#slot-1 [data-what=f2]", "aria-pressed", "false")
    page.find_element(By.CSS_SELECTOR, "#slot-1 [data-what=f2]").click()
    check(host.wire_until(lambda wire: wire != b"", ":F200") == b":F200", "not F2 alone")
    watch.attribute_becomes("#slot-1 [data-what=f2]", "aria-pressed", "true")
    watch.text_becomes("#slot-1 .step", str(step))

    page.find_element(By.ID, "stop").click()
    check(host.wire_until(lambda wire: wire != b"", ":E000") == b":E000", "not the stop alone")
    watch.text_becomes("#slot-1 .step", "0")
    watch.attribute_becomes("#slot-1 .slider", "value", "0")
    watch.fits_the_screen()
    problems = watch.script_problems()
    check(not problems, "the page's script failed: %s" % problems)


def main():
    arguments = sys.argv[1:]
    station = arguments[:1] == ["--station"]
    if station:
        arguments = arguments[1:]
    if len(arguments) != 1:
        print(__doc__, file=sys.stderr)
        return 2
    host = Host(arguments[0])
    profile = tempfile.mkdtemp(prefix="korvant-browser-")
    page = None
    try:
        page = browser(profile)
        (run_station if station else run)(host, page)
    except AssertionError as failure:
        print("FAIL: %s" % failure, file=sys.stderr)
        return 1
    finally:
        if page is not None:
            page.quit()
        status = host.stop()
        shutil.rmtree(profile, ignore_errors=True)
    if status != 0:
        print("FAIL: the host ended with status %d" % status, file=sys.stderr)
        return 1
    print("PASS: " + ("the page drives the simulator's locos and shows their state" if station
                      else "the page logs in, drives, shows the station and reconnects"))
    return 0


if __name__ == "__main__":
    sys.exit(main())
