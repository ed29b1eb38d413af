// Loads each page in Chromium with scripts off and prints, per page, the forms
// and fields its DOM holds, in the form quillet-cli's form listing uses: the
// form's name (or "form<n>" by its place among the page's forms), then
// "  kind<TAB>name" for every input, select, textarea and button the form owns.
// Usage: node form_fields.mjs PAGE.html... ; prints one JSON object {page: text}.
import { chromium } from 'playwright-core';
import { pathToFileURL } from 'node:url';

const browser = await chromium.launch({
    executablePath: process.env.CHROMIUM || '/usr/bin/chromium',
    args: ['--no-sandbox', '--disable-gpu', '--no-first-run', '--disable-background-networking',
           '--disable-component-update', '--disable-sync'],
});
const listing = () => {
    const inputKinds = {
        image: 'image button', radio: 'radio button', checkbox: 'check box', hidden: 'hidden field',
        password: 'password box', file: 'file upload box', submit: 'submit button', reset: 'reset button',
        button: 'button',
    };
    const kindOf = (el) => {
        const tag = el.tagName.toLowerCase();
        if (tag === 'textarea')
            return 'multiple-line text box';
        if (tag === 'select')
            return el.multiple ? 'multiple choice list' : 'drop-down list';
        if (tag === 'button')
            return { submit: 'submit button', reset: 'reset button', button: 'button' }[el.type];
        return inputKinds[el.type] || 'text box';
    };
    const fields = Array.from(document.querySelectorAll('input, select, textarea, button'));
    let text = '';
    Array.from(document.forms).forEach((form, index) => {
        text += (form.getAttribute('name') || `form${index + 1}`) + '\n';
        for (const el of fields.filter((f) => f.form === form))
            text += `  ${kindOf(el)}\t${el.getAttribute('name') || ''}\n`;
    });
    return text;
};
try {
    const context = await browser.newContext({ javaScriptEnabled: false });
    const page = await context.newPage();
    const result = {};
    for (const file of process.argv.slice(2)) {
        await page.goto(pathToFileURL(file).href);
        result[file] = await page.evaluate(listing);
    }
    process.stdout.write(JSON.stringify(result));
} finally {
    await browser.close();
}
