"""Headless Chromium through chromedriver, started with the flags that keep
it off the network (this machine has none) and working as root."""
import shutil
import tempfile

from selenium import webdriver
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.by import By
from selenium.webdriver.support.ui import WebDriverWait

FLAGS = [
    "--headless=new", "--no-sandbox", "--disable-gpu", "--disable-dev-shm-usage",
    "--disable-quic", "--no-first-run", "--disable-background-networking",
    "--disable-component-update", "--disable-sync", "--disable-extensions",
    "--disable-default-apps", "--window-size=1280,1000",
]


class Browser:
    def __init__(self):
        self.profile = tempfile.mkdtemp(prefix="kyvreport-chromium-")
        options = webdriver.ChromeOptions()
        options.binary_location = "/usr/bin/chromium"
        for flag in FLAGS + ["--user-data-dir=" + self.profile]:
            options.add_argument(flag)
        options.set_capability("goog:loggingPrefs", {"browser": "ALL"})
        self.driver = webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)

    def open(self, path, timeout=120):
        """Loads a page file and waits until its script has drawn it."""
        self.driver.get("file://" + path)
        WebDriverWait(self.driver, timeout).until(
            lambda d: d.find_element(By.TAG_NAME, "body").get_attribute("data-ready") == "1")
        return self.driver

    def errors(self):
        return [entry["message"] for entry in self.driver.get_log("browser") if entry["level"] == "SEVERE"]

    def close(self):
        self.driver.quit()
        shutil.rmtree(self.profile, ignore_errors=True)
