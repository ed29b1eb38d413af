// Opens a page in Chromium, fills the named fields, clicks a submit button and
// prints the text of the page the server answered with.
// Usage: node submit_form.mjs URL BUTTON_NAME name=value...
import { chromium } from 'playwright-core';

const [url, button, ...pairs] = process.argv.slice(2);
const browser = await chromium.launch({
    executablePath: process.env.CHROMIUM || '/usr/bin/chromium',
    args: ['--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run', '--disable-background-networking',
           '--disable-component-update', '--disable-sync'],
});
try {
    const page = await browser.newPage();
    await page.goto(url);
    for (const pair of pairs) {
        const at = pair.indexOf('=');
        await page.fill(`[name="${pair.slice(0, at)}"]`, pair.slice(at + 1));
    }
    await Promise.all([page.waitForNavigation(), page.click(`[name="${button}"]`)]);
    process.stdout.write(await page.content());
} finally {
    await browser.close();
}
