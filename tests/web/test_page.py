"""The page of the WebAssembly build in headless Chromium: the reference runs
typed into its fields, the messages of a run that stops, its plots, the
downloaded rezult.txt, and a browser console without errors.

VORTEX_WEB_DIR names the page's folder (build-wasm/web), VORTEX_REFERENCE_DIR
the reference runs and VORTEX_SCREENSHOT_DIR where the screenshots go. Skipped
where Selenium, Chromium or its driver is missing."""
import functools
import http.server
import os
import pathlib
import re
import shutil
import tempfile
import threading
import time

import pytest

webdriver = pytest.importorskip("selenium.webdriver")
from selenium.webdriver.chrome.service import Service  # noqa: E402
from selenium.webdriver.common.by import By  # noqa: E402
from selenium.webdriver.common.keys import Keys  # noqa: E402
from selenium.webdriver.support.ui import WebDriverWait  # noqa: E402

CHROMIUM = shutil.which("chromium")
DRIVER = shutil.which("chromedriver")
if not (CHROMIUM and DRIVER):
    pytest.skip("Chromium and chromium-driver are not installed", allow_module_level=True)

ROOT = pathlib.Path(__file__).resolve().parents[2]
WEB = pathlib.Path(os.environ.get("VORTEX_WEB_DIR", ROOT / "build-wasm" / "web"))
REFERENCE = pathlib.Path(os.environ.get("VORTEX_REFERENCE_DIR", ROOT / "tests" / "app" / "reference"))
SHOTS = pathlib.Path(os.environ.get("VORTEX_SCREENSHOT_DIR", WEB.parent))


def reference_runs():
    """(name, count, velocity) of each stored run: n5.7-v-7 is 5.7 and -7, n0 is 0 at 20."""
    for ref in sorted(REFERENCE.iterdir()):
        m = re.fullmatch(r"n([^-]+)(?:-v(.+))?", ref.name)
        yield ref.name, m.group(1), m.group(2) or "20"


class Quiet(http.server.SimpleHTTPRequestHandler):
    def log_message(self, *args):
        pass


@pytest.fixture(scope="module")
def browser():
    """The page served from its folder on a local port, open in headless Chromium
    with a fresh profile that downloads into a folder of its own."""
    assert (WEB / "index.html").is_file() and (WEB / "vortex.js").is_file(), f"no page in {WEB}"
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), functools.partial(Quiet, directory=WEB))
    threading.Thread(target=server.serve_forever, daemon=True).start()
    with tempfile.TemporaryDirectory() as profile, tempfile.TemporaryDirectory() as downloads:
        options = webdriver.ChromeOptions()
        options.binary_location = CHROMIUM
        for flag in ("--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
                     "--disable-background-networking", "--disable-component-update", "--disable-sync",
                     "--window-size=1280,1000", f"--user-data-dir={profile}"):
            options.add_argument(flag)
        options.add_experimental_option("prefs", {"download.default_directory": downloads,
                                                  "download.prompt_for_download": False})
        options.set_capability("goog:loggingPrefs", {"browser": "ALL"})
        driver = webdriver.Chrome(service=Service(DRIVER), options=options)
        driver.execute_cdp_cmd("Page.setDownloadBehavior", {"behavior": "allow", "downloadPath": downloads})
        try:
            driver.get(f"http://127.0.0.1:{server.server_port}/index.html")
            WebDriverWait(driver, 30).until(lambda d: d.find_element(By.ID, "run").is_enabled())
            driver.downloads = pathlib.Path(downloads)
            yield driver
        finally:
            driver.quit()
            server.shutdown()


def text(driver, selector):
    return driver.execute_script(
        "return Array.from(document.querySelectorAll(arguments[0]), e => e.textContent).join('')", selector)


def run(driver, count, velocity, key=True):
    """Types the two numbers as a user does and runs, with Enter or the button."""
    driver.execute_script("document.getElementById('console').replaceChildren()")
    for field, value in (("count", count), ("velocity", velocity)):
        element = driver.find_element(By.ID, field)
        element.clear()
        element.send_keys(value)
    if key:
        driver.find_element(By.ID, "velocity").send_keys(Keys.ENTER)
    else:
        driver.find_element(By.ID, "run").click()
    WebDriverWait(driver, 30).until(lambda d: text(d, "#console"))


def download(driver):
    for old in driver.downloads.iterdir():
        old.unlink()
    driver.find_element(By.ID, "download").click()
    target = driver.downloads / "rezult.txt"
    deadline = time.time() + 20
    while not target.exists() and time.time() < deadline:
        time.sleep(0.1)
    return target.read_bytes()


@pytest.mark.parametrize("name,count,velocity", list(reference_runs()))
def test_reference_run_gives_the_stored_text_file_and_plot(browser, name, count, velocity):
    ref = REFERENCE / name
    points_before = len(browser.find_elements(By.CSS_SELECTOR, "#cp-plot g.run"))
    run(browser, count, velocity, key=name != "n10-v20")
    expected = (ref / "rezult.txt").read_bytes()
    # The text shown has the file's lines; the download has its bytes, CR LF.
    assert text(browser, "#records") == expected.decode("ascii").replace("\r\n", "\n")
    assert download(browser) == expected
    # Standard output's lines, without the lines typed; standard error empty.
    assert text(browser, "#console .out") == (ref / "stdout.txt").read_text()
    assert text(browser, "#console .err") == ""
    status = int((ref / "status.txt").read_text())
    assert ("normal end" if status == 0 else "solver stopped") in browser.find_element(By.ID, "status").text
    records = expected.count(b"\r\n")
    runs = browser.find_elements(By.CSS_SELECTOR, "#cp-plot g.run")
    if records:
        assert len(runs[-1].find_elements(By.CSS_SELECTOR, "circle.point")) == records
    else:
        assert len(runs) == points_before


@pytest.mark.parametrize("count,velocity,stream,first_line", [
    ("202", "20", "err", "forrtl: severe (161): Program Exception - array bounds exceeded"),
    ("abc", "20", "err", "forrtl: severe (64): input conversion error, unit -4, file CONIN$"),
    ("0", "20", "out", " *** TERMINAL ERROR 1 from LSARG.  The number of equations must be positive"),
])
def test_a_run_that_stops_shows_the_consoles_message(browser, count, velocity, stream, first_line):
    run(browser, count, velocity)
    assert first_line + "\n" in text(browser, f"#console .{stream}")
    # The console asks for the velocity only after it has read the count.
    prompts = text(browser, "#console .out").count(" vvedite ")
    assert prompts == (1 if count == "abc" else 2)
    assert text(browser, "#records") == ""


def test_the_sweep_draws_one_lift_per_count_converging_to_theory(browser):
    browser.find_element(By.ID, "sweep").click()
    WebDriverWait(browser, 120).until(lambda d: d.find_element(By.ID, "sweep").is_enabled())
    assert len(browser.find_elements(By.CSS_SELECTOR, "#lift-plot circle.point")) == 201
    last = float(re.search(r"Cl (\S+) at 201", browser.find_element(By.ID, "status").text).group(1))
    assert abs(last - 1.09265) < 0.01


def test_runs_overlay_and_clear_and_the_console_stays_clean(browser):
    browser.find_element(By.ID, "clear").click()
    for count in ("10", "20"):
        run(browser, count, "20")
    assert len(browser.find_elements(By.CSS_SELECTOR, "#cp-legend li")) == 2
    browser.save_screenshot(str(SHOTS / "page.png"))
    browser.set_window_size(390, 1600)
    browser.save_screenshot(str(SHOTS / "page-narrow.png"))
    browser.set_window_size(1280, 1000)
    browser.find_element(By.ID, "clear").click()
    assert browser.find_elements(By.CSS_SELECTOR, "#cp-plot g.run") == []
    errors = [e for e in browser.get_log("browser") if e["level"] == "SEVERE"]
    assert errors == []
