// Called with the value of the body's "scroll" attribute; "no" hides the scroll bars.
(function (value) {
    var body = document.body;
    if (!body)
        return false;
    body.setAttribute('scroll', value);
    var hidden = value.toLowerCase() === 'no';
    body.style.overflow = hidden ? 'hidden' : '';
    document.documentElement.style.overflow = hidden ? 'hidden' : '';
    return true;
})
