// The browser plumbing of the browser tests and the web benchmarks: the web
// capture's driver of the three engines, as the web build ships it, with
// what a test does on a page besides looking: a real click (a user gesture
// in every engine, unlike a script's click()), a key press, and a
// screenshot of an element.
import path from 'node:path';
import { pathToFileURL } from 'node:url';

// WebDriver's code for the Escape key.
const webDriverKeys = { Escape: '\uE00C' };

function withInput(page) {
  if (page.raw) {
    page.click = (selector) => page.raw.click(selector);
    page.press = (key) => page.raw.keyboard.press(key);
    page.screenshot = async (selector) =>
      Buffer.from(await (await page.raw.$(selector)).screenshot({ encoding: 'base64' }), 'base64');
  } else {
    const element = (selector) => page.driver.findElement({ css: selector });
    page.click = async (selector) => (await element(selector)).click();
    page.press = (key) => page.driver.actions().sendKeys(webDriverKeys[key] || key).perform();
    page.screenshot = async (selector) => Buffer.from(await (await element(selector)).takeScreenshot(), 'base64');
  }
  return page;
}

// The driver of the web build in `webBuild`: serveFolders, listen, engines,
// and launchBrowser, whose pages also click, press and take screenshots.
export async function loadBrowserDriver(webBuild) {
  const driver = await import(pathToFileURL(path.join(webBuild, 'tools', 'browser.mjs')).href);
  const launchBrowser = async (options) => {
    const browser = await driver.launchBrowser(options);
    return { ...browser, newPage: async (size) => withInput(await browser.newPage(size)) };
  };
  return { ...driver, launchBrowser };
}
