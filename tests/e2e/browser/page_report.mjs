// Opens a form page in Chromium, clicks a submit button, then follows the named
// links of the answer one after another. Prints one line per page shown: the
// rows of the query report table, each row's cell texts joined by "|".
// Usage: node page_report.mjs URL BUTTON_NAME LINK_TEXT...
import { chromium } from 'playwright-core';

const [url, button, ...links] = process.argv.slice(2);
const browser = await chromium.launch({
    executablePath: process.env.CHROMIUM || '/usr/bin/chromium',
    args: ['--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run', '--disable-background-networking',
           '--disable-component-update', '--disable-sync'],
});
const report = (page) => page.evaluate(() => {
    const table = document.querySelector('span[name="QUILLET_QUERY_REPORT"] table');
    if (!table)
        return ['no report: ' + document.body.innerText];
    return Array.from(table.rows, (row) => Array.from(row.cells, (cell) => cell.innerText.trim()).join('|'));
});
try {
    const page = await browser.newPage();
    await page.goto(url);
    await Promise.all([page.waitForNavigation(), page.click(`[name="${button}"]`)]);
    console.log(JSON.stringify(await report(page)));
    for (const link of links) {
        await Promise.all([page.waitForNavigation(), page.click(`a:has-text("${link}")`)]);
        console.log(JSON.stringify(await report(page)));
    }
} finally {
    await browser.close();
}
